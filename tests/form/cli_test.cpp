#include "form/cli.h"

#include <gtest/gtest.h>

#include <sstream>

#include "form/export.h"

namespace zorva {
namespace {

using Action = CommandLine::Action;

TEST(CommandLine, NoOptionsOpensTheWindow) {
    EXPECT_EQ(ParseCommandLine({}).action, Action::Window);
}

TEST(CommandLine, ReadsEveryOptionInBothForms) {
    const CommandLine line =
        ParseCommandLine({"--poltax", "10", "--vimaxrono=3", "--klimax", "2", "--force-components",
                          "--velocity-components", "--weight-reaction", "--ticks=500", "--csv",
                          "run.csv", "--png=run.png", "--size", "800x600", "--density", "2"});
    ASSERT_EQ(line.action, Action::Run) << line.error;
    EXPECT_EQ(line.poltax, 10);
    EXPECT_EQ(line.vimaxrono, 3);
    EXPECT_EQ(line.klimax, 2);
    EXPECT_TRUE(line.forceComponents && line.velocityComponents && line.weightReaction);
    EXPECT_EQ(line.ticks, 500);
    EXPECT_EQ(line.csv, "run.csv");
    EXPECT_EQ(line.png, "run.png");
    EXPECT_EQ(line.width, 800);
    EXPECT_EQ(line.height, 600);
    EXPECT_EQ(line.density, 2);
}

TEST(CommandLine, HelpAndVersionStandAlone) {
    EXPECT_EQ(ParseCommandLine({"--help"}).action, Action::Help);
    EXPECT_EQ(ParseCommandLine({"-h"}).action, Action::Help);
    EXPECT_EQ(ParseCommandLine({"--version"}).action, Action::Version);
    EXPECT_NE(UsageText().find("--poltax"), std::string::npos);
}

struct BadRow {
    std::vector<std::string> args;
    const char* named;      // the option the message must name
    const char* says = "";  // and what it must say is wrong
};

class BadCommandLines : public testing::TestWithParam<BadRow> {};

TEST_P(BadCommandLines, AreRejectedWithOneLineNamingTheOption) {
    const BadRow& row = GetParam();
    const CommandLine line = ParseCommandLine(row.args);
    EXPECT_EQ(line.action, Action::Error);
    EXPECT_NE(line.error.find(row.named), std::string::npos) << line.error;
    EXPECT_NE(line.error.find(row.says), std::string::npos) << line.error;
    EXPECT_EQ(line.error.find('\n'), std::string::npos);
    EXPECT_EQ(line.error.rfind("zorva: ", 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadCommandLines,
    testing::Values(BadRow{{"--poltax", "0", "--csv", "a.csv"}, "--poltax"},
                    BadRow{{"--poltax", "101", "--csv", "a.csv"}, "--poltax"},
                    BadRow{{"--poltax", "ten", "--csv", "a.csv"}, "--poltax"},
                    BadRow{{"--poltax", "5.5", "--csv", "a.csv"}, "--poltax"},
                    BadRow{{"--csv", "a.csv", "--poltax"}, "--poltax"},
                    BadRow{{"--vimaxrono", "11", "--csv", "a.csv"}, "--vimaxrono"},
                    BadRow{{"--klimax", "0", "--csv", "a.csv"}, "--klimax"},
                    BadRow{{"--ticks", "0", "--csv", "a.csv"}, "--ticks"},
                    BadRow{{"--ticks", "1000001", "--csv", "a.csv"}, "--ticks"},
                    BadRow{{"--size", "100", "--png", "a.png"}, "--size"},
                    BadRow{{"--size", "0x10", "--png", "a.png"}, "--size"},
                    BadRow{{"--density", "5", "--png", "a.png"}, "--density"},
                    BadRow{{"--size", "9000x10", "--density", "2", "--png", "a.png"}, "16384"},
                    BadRow{{"--frobnicate", "--csv", "a.csv"}, "--frobnicate"},
                    BadRow{{"--force-components=yes", "--csv", "a.csv"}, "--force-components"},
                    BadRow{{"--poltax", "10"}, "--csv"}, BadRow{{"--ticks", "10"}, "--ticks"},
                    BadRow{{"--csv"}, "--csv"}, BadRow{{"--help=x"}, "--help", "takes no value"},
                    BadRow{{"--version=1"}, "--version", "takes no value"},
                    BadRow{{"--help", "1"}, "--help", "'1' follows it"},
                    BadRow{{"--version", "x"}, "--version", "'x' follows it"},
                    BadRow{{"--help", "--bogus"}, "--help", "combined with '--bogus'"},
                    BadRow{{"--poltax=5", "-h"}, "-h", "combined with '--poltax'"},
                    BadRow{{"--version", "--help"}, "--version", "combined with '--help'"},
                    BadRow{{"--png", "--csv", "a.csv"}, "--png"},
                    BadRow{{"--csv", "a", "--png=a"}, "--csv"},
                    BadRow{{"--poltax", "5", "--poltax=7", "--csv", "a"}, "--poltax", "twice"},
                    BadRow{{"--csv", "a", "--csv", "b"}, "--csv", "twice"},
                    BadRow{{"--weight-reaction", "--weight-reaction", "--csv", "a"},
                           "--weight-reaction",
                           "twice"}));

TEST(RunCsv, HasAHeaderWithUnitsAndOneRowPerSample) {
    RunLog log(10);
    log.add({0.00005, 0.0679, 0.000025, -0.99975, 0.5, 1.118, 4.9, 0.0, 10.97, 0.57, 1});
    log.add({0.0001, 0.0678, 0.00005, -0.9995, 0.5, 1.117, 4.91, 1e-15, 10.97, 0.569, 2});
    std::ostringstream out;
    WriteRunCsv(out, log);
    std::istringstream in(out.str());
    std::string header;
    std::string row;
    std::getline(in, header);
    EXPECT_EQ(header,
              "t (s),x (m),y (m),vx (m/s),vy (m/s),|v| (m/s),Fx (N),Fy (N),N (N),R (m),StepCount");
    std::getline(in, row);
    EXPECT_EQ(row, "5e-05,0.0679,2.5e-05,-0.99975,0.5,1.118,4.9,0,10.97,0.57,1");
    std::getline(in, row);
    EXPECT_EQ(row.substr(row.size() - 2), ",2");
    EXPECT_FALSE(std::getline(in, row));
}

TEST(RunLog, KeepsAtMostItsCapacityAndCountsTheRest) {
    RunLog log(3);
    for (int i = 0; i < 5; ++i) {
        log.add({});
    }
    EXPECT_EQ(log.rows().size(), 3u);
    EXPECT_EQ(log.dropped(), 2u);
    log.clear();
    EXPECT_TRUE(log.rows().empty());
    EXPECT_EQ(log.dropped(), 0u);
}

}  // namespace
}  // namespace zorva
