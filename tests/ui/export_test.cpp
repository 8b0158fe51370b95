// The exports and the run without a window, through the real Qt code.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include "ui/headless.h"
#include "ui/qt_export.h"
#include "ui/qt_surface.h"
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

// A run that stops before --ticks says so; one that cannot write one of its
// outputs writes none; the same file under two names is bad usage.
TEST(Headless, SaysWhyItStoppedAndWritesAllItsOutputsOrNone) {
    QTemporaryDir dir;
    const std::string csv = dir.filePath("run.csv").toStdString();
    std::ostringstream err;
    ASSERT_EQ(
        RunHeadless(ParseCommandLine({"--poltax", "10", "--ticks", "5000", "--csv", csv}), err), 0);
    EXPECT_NE(err.str().find("reached the summit after 2036 ticks"), std::string::npos)
        << err.str();
    { std::ofstream(csv) << "old"; }
    const std::string missing = dir.filePath("no/run.png").toStdString();
    EXPECT_EQ(RunHeadless(ParseCommandLine({"--ticks", "5", "--csv", csv, "--png", missing}), err),
              1);
    EXPECT_EQ(RunHeadless(ParseCommandLine({"--ticks", "5", "--csv", csv, "--png",
                                            dir.path().toStdString() + "/./run.csv"}),
                          err),
              2);
    std::ifstream kept(csv);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    // A name that is not UTF-8 is kept byte for byte.
    const std::string odd = dir.path().toStdString() + "/\xff\xfe.csv";
    ASSERT_EQ(RunHeadless(ParseCommandLine({"--ticks", "5", "--csv", odd}), err), 0);
    EXPECT_EQ(unlink(odd.c_str()), 0);
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

// A file-size limit stands in for a full disk: writes fail the same way,
// for any user, without a file system of our own.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        const rlimit limit{bytes, saved_.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
        signal_ = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, signal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    void (*signal_)(int) = nullptr;
};

// An image whose PNG is about 11 KB: noise does not compress.
QImage Noise() {
    QImage image(60, 60, QImage::Format_RGB32);
    std::uint32_t seed = 12345;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525U + 1013904223U;
            image.setPixel(x, y, seed >> 8U);
        }
    }
    return image;
}

struct LimitedSave {
    const char* name;
    std::function<bool(const QString& path, QString* error)> save;
};

class SavesPastTheLimit : public testing::TestWithParam<LimitedSave> {};

// Each save is larger than the limit but smaller than the buffer that used to
// hide the failure until after the file was in place.
TEST_P(SavesPastTheLimit, FailSayingWhyAndKeepTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("old");
    { std::ofstream(path.toStdString()) << "old"; }
    QString error;
    bool saved = true;
    {
        const FileSizeLimit limit(8192);
        saved = GetParam().save(path, &error);
    }
    EXPECT_FALSE(saved);
    EXPECT_NE(error.indexOf("larger than this system allows"), -1) << error.toStdString();
    EXPECT_NE(error.indexOf(path), -1) << error.toStdString();
    std::ifstream kept(path.toStdString());
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Exports, SavesPastTheLimit,
    testing::Values(
        LimitedSave{"Png", [](const QString& path,
                              QString* error) { return SavePng(Noise(), path, error); }},
        LimitedSave{"Csv",
                    [](const QString& path, QString* error) {
                        RunLog log(150);
                        for (int i = 0; i < 150; ++i) {
                            log.add({0.1 * i, 0.0679, 2.5e-05, -0.99975, 0.5, 1.118, 4.9, 1e-15,
                                     10.97, 0.57, i});
                        }
                        return SaveCsv(log, path, error);
                    }},
        LimitedSave{"CommandLine",
                    [](const QString& path, QString* error) {
                        std::ostringstream err;
                        const int status = RunHeadless(
                            ParseCommandLine({"--ticks", "60", "--csv", path.toStdString()}), err);
                        *error = QString::fromStdString(err.str());
                        return status == 0;
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Exports, TheDataDialogSaysWhenOnlyTheFirstTicksAreKept) {
    RunLog log(2);
    log.add({});
    EXPECT_EQ(CsvDialogTitle(log), "Save the run's data");
    log.add({});
    log.add({});
    EXPECT_NE(CsvDialogTitle(log).indexOf("the first 2 ticks only"), -1);
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

// The part a smaller client area shows is encoded from the image's own rows,
// a stride apart, without a copy.
TEST(Exports, APartOfTheDrawingIsSavedAsItLies) {
    QtSurface surface(400, 300, 15.0);
    surface.Scale(0.0, 0.0, 400.0, 300.0);
    surface.DrawWidth = 3;
    surface.Line(10.0, 20.0, 390.0, 280.0, RGB(200, 0, 0));
    surface.Circle(250.0, 150.0, 40.0, RGB(0, 0, 255));
    const QImage part = ImageOf(surface, 300, 200);
    ASSERT_EQ(part.constBits(), ImageOf(surface).constBits());
    QTemporaryDir dir;
    const QString path = dir.filePath("part.png");
    QString error;
    ASSERT_TRUE(SavePng(part, path, &error)) << error.toStdString();
    EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_RGB32),
              ImageOf(surface).copy(0, 0, 300, 200));
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
