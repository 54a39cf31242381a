#include "tools/make-sample-card/CardOptions.h"

#include <gtest/gtest.h>

namespace {

using samplecard::ParseCardOptions;
using samplecard::ParseStatus;

TEST(CardOptions, DefaultsAreSmallAndEveryCategoryOnce) {
    const auto r = ParseCardOptions({QStringLiteral("card")});
    ASSERT_EQ(r.status, ParseStatus::Run);
    EXPECT_EQ(r.options.cardDir, QStringLiteral("card"));
    EXPECT_EQ(r.options.counts, (std::array<int, 5>{1, 1, 1, 1, 1}));
    EXPECT_EQ(r.options.frontSize.width, 320);
    EXPECT_EQ(r.options.rearSize.height, 90);
    EXPECT_EQ(r.options.fps, 15);
    EXPECT_EQ(r.options.label, QStringLiteral("QOR-SD"));
    EXPECT_EQ(r.options.start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
              QStringLiteral("2025-05-17 14:30:00"));
}

TEST(CardOptions, DemoAppliesFirstAndLaterOptionsRefineIt) {
    const auto r = ParseCardOptions({QStringLiteral("--fps=25"), QStringLiteral("card"),
                                     QStringLiteral("--demo"), QStringLiteral("--count"),
                                     QStringLiteral("motion=0")});
    ASSERT_EQ(r.status, ParseStatus::Run);
    EXPECT_EQ(r.options.fps, 25);
    EXPECT_EQ(r.options.frontSize.width, 1280);
    EXPECT_EQ(r.options.rearSize.width, 640);
    EXPECT_EQ(r.options.lengthSeconds, 60);
    EXPECT_EQ(r.options.counts, (std::array<int, 5>{3, 2, 1, 1, 0}));
}

TEST(CardOptions, ValuesInBothSpellings) {
    const auto r = ParseCardOptions(
        {QStringLiteral("card"), QStringLiteral("--audio=pcm"), QStringLiteral("--container"),
         QStringLiteral("mkv"), QStringLiteral("--categories=event,event_n"),
         QStringLiteral("--telemetry=off"), QStringLiteral("--tone"), QStringLiteral("440"),
         QStringLiteral("--cameras"), QStringLiteral("1")});
    ASSERT_EQ(r.status, ParseStatus::Run) << r.error.toStdString();
    EXPECT_EQ(r.options.audio, samplecard::AudioKind::Pcm);
    EXPECT_EQ(r.options.container, samplecard::Container::Mkv);
    EXPECT_EQ(r.options.enabled, (std::array<bool, 5>{false, true, true, false, false}));
    EXPECT_FALSE(r.options.telemetry);
    EXPECT_DOUBLE_EQ(r.options.toneHz, 440.0);
    EXPECT_EQ(r.options.cameras, 1);
}

TEST(CardOptions, RejectsWhatCannotBeWritten) {
    const QStringList bad[] = {
        {"card", "--size", "320x181"},
        {"card", "--size", "32x18"},
        {"card", "--rear-size", "big"},
        {"card", "--fps", "0"},
        {"card", "--length", "-3"},
        {"card", "--count", "normal=x"},
        {"card", "--categories", "NORMAL"},
        {"card", "--start", "1999-01-01 00:00:00"},
        // The fifth recording would start in 2100, whose names read as 2000.
        {"card", "--start", "2099-12-31 23:59:58"},
        {"card", "--tone", "0"},
        {"card", "other"},
        {"card", "--telemetry", "yes"},
        {"card", "--container", "mov"},
        {"card", "-x"},
        {"card", "--preset", "quick"},
    };
    for (const QStringList& args : bad) {
        const auto r = ParseCardOptions(args);
        EXPECT_EQ(r.status, ParseStatus::Error) << args.join(' ').toStdString();
        EXPECT_FALSE(r.error.contains(QLatin1Char('\n')));
    }
}

TEST(CardOptions, LastRecordingMayEndAtTheCenturysLastSecond) {
    const auto r = ParseCardOptions(
        {"card", "--start", "2099-12-31 23:59:45", "--length", "3", "--categories", "normal"});
    EXPECT_EQ(r.status, ParseStatus::Run) << r.error.toStdString();
    EXPECT_EQ(ParseCardOptions({"card", "--start", "2099-12-31 23:59:58", "--length", "3",
                                "--categories", "normal"})
                  .status,
              ParseStatus::Error);
}

TEST(CardOptions, HelpWinsOverEverythingElse) {
    EXPECT_EQ(ParseCardOptions({QStringLiteral("--bogus"), QStringLiteral("--help")}).status,
              ParseStatus::Help);
}

}  // namespace
