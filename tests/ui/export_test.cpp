// The exports and the run without a window, through the real Qt code.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ui/headless.h"
#include "ui/qt_export.h"
#include "ui/qt_window.h"

namespace zorva {
namespace {

std::vector<std::vector<double>> ReadCsv(const QString& path) {
    std::ifstream in(path.toStdString());
    std::string line;
    std::getline(in, line);  // header
    std::vector<std::vector<double>> rows;
    while (std::getline(in, line)) {
        std::vector<double> row;
        std::stringstream fields(line);
        std::string field;
        while (std::getline(fields, field, ',')) {
            row.push_back(std::stod(field));
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(Headless, APoltax10RunKeepsVyAtHalfAMetrePerSecondToTheStop) {
    QTemporaryDir dir;
    const QString csv = dir.filePath("run.csv");
    const QString png = dir.filePath("run.png");
    CommandLine line = ParseCommandLine({"--poltax", "10", "--csv", csv.toStdString(), "--png",
                                         png.toStdString(), "--size", "640x400"});
    std::ostringstream err;
    ASSERT_EQ(RunHeadless(line, err), 0) << err.str();
    const auto rows = ReadCsv(csv);
    ASSERT_GT(rows.size(), 1000u);
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 11u);
        ASSERT_NEAR(row[4], 0.5, 1e-9);
    }
    // The last row is the last tick before the body reached the summit.
    EXPECT_EQ(rows.back()[10], static_cast<double>(rows.size()));
    EXPECT_NEAR(rows.back()[2], 1 / 19.62, 0.002 / 19.62);
    const QImage picture(png);
    EXPECT_EQ(picture.size(), QSize(640, 400));
}

TEST(Headless, AFixedNumberOfTicksWritesThatManyRows) {
    QTemporaryDir dir;
    const QString csv = dir.filePath("run.csv");
    const CommandLine line =
        ParseCommandLine({"--poltax", "5", "--ticks", "300", "--csv", csv.toStdString()});
    std::ostringstream err;
    ASSERT_EQ(RunHeadless(line, err), 0);
    EXPECT_EQ(ReadCsv(csv).size(), 300u);
}

TEST(Headless, AnUnwritableFolderFailsCleanlyAndLeavesNoFile) {
    QTemporaryDir dir;
    const QString missing = dir.filePath("no/such/folder/run.csv");
    const CommandLine line = ParseCommandLine({"--ticks", "10", "--csv", missing.toStdString()});
    std::ostringstream err;
    EXPECT_EQ(RunHeadless(line, err), 1);
    EXPECT_NE(err.str().find("Could not save"), std::string::npos);
    EXPECT_FALSE(QFile::exists(missing));
}

TEST(Exports, AFailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
    QTemporaryDir dir;
    const QString path = dir.filePath("picture.png");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    QString error;
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::red);
    const bool saved = SavePng(image, path, &error);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (saved) {
        GTEST_SKIP() << "this user can write to a read-only folder (running as root)";
    }
    EXPECT_FALSE(error.isEmpty());
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

// Fails for any user, root included: the name is taken by a folder.
TEST(Exports, AWriteThatCannotBeFinishedSaysWhyAndLeavesNothingBehind) {
    QTemporaryDir dir;
    const QString path = dir.filePath("taken");
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken"));
    QString error;
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::red);
    EXPECT_FALSE(SavePng(image, path, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(SaveCsv(RunLog(4), path, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 1);
    EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST(Exports, ThePngIsTheDrawingAsShown) {
    SimulationState state;
    QtWindow window(state);
    window.form().Main(window);
    window.form().Command1.Press();
    for (int i = 0; i < 20; ++i) {
        window.form().Timer1.Elapse();
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("shown.png");
    QString error;
    ASSERT_TRUE(window.savePicture(path, &error)) << error.toStdString();
    const QImage saved(path);
    const QImage shown = window.picture();
    ASSERT_EQ(saved.size(), shown.size());
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32),
              shown.convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(saved.size(), window.size() * shown.devicePixelRatio());

    const QString csv = dir.filePath("shown.csv");
    ASSERT_TRUE(window.saveData(csv, &error));
    EXPECT_EQ(ReadCsv(csv).size(), 20u);
}

}  // namespace
}  // namespace zorva
