// The program's entry point: one state, one window, then the window's events.
#include <QApplication>

#include "sim/state.h"
#include "ui/qt_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    zorva::SimulationState state;
    zorva::QtWindow window(state);
    window.form().Main(window);
    return QApplication::exec();
}
