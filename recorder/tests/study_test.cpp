#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

#include "quality/gauge_rr.h"
#include "recorder/study/study_file.h"

namespace vexla::recorder::study {
namespace {

StudyPlan SmallPlan() {
    StudyPlan plan;
    plan.kind = StudyKind::GaugeRr;
    plan.parts = 3;
    plan.trials = 2;
    plan.operators = {"Anna", "B, jr", "王工"};
    plan.channels = {2, 5};
    plan.tolerance = 0.1;
    plan.order = ShuffledOrder(3, 3, 2, 42);
    return plan;
}

TEST(StudyFile, ShuffledOrderVisitsEveryStepOnceTrialByTrial) {
    const std::vector<Step> order = ShuffledOrder(10, 3, 3, 7);
    std::set<std::tuple<int, int, int>> seen;
    int trial = 0;
    for (const Step& s : order) {
        seen.insert({s.op, s.trial, s.part});
        EXPECT_GE(s.trial, trial) << "trial 2 begins only when every operator is through trial 1";
        trial = s.trial;
    }
    EXPECT_EQ(seen.size(), 90u);
    EXPECT_EQ(order.size(), 90u);
    EXPECT_EQ(order, ShuffledOrder(10, 3, 3, 7));
    EXPECT_NE(order, ShuffledOrder(10, 3, 3, 8));
}

TEST(StudyFile, WhatIsWrittenReadsBackWithItsPlanAndCaptures) {
    const StudyPlan plan = SmallPlan();
    std::string text = StudyHeading(plan);
    LocalTime time;
    for (size_t i = 0; i < 5; ++i) text += StudyRows(plan, plan.order[i], {{2, "1.234"}, {5, "-0.010"}}, time);
    text += "B, jr,1,2,2,0.0";  // a line cut off by a kill
    const Result<StudyData> study = ParseStudy(text, StudyKind::GaugeRr);
    ASSERT_TRUE(study) << study.Failure().Text();
    EXPECT_TRUE(study->ours);
    EXPECT_TRUE(study->cutOff);
    EXPECT_EQ(study->wholeBytes, text.rfind('\n') + 1);
    EXPECT_EQ(study->plan.operators, plan.operators);
    EXPECT_EQ(study->plan.order, plan.order);
    EXPECT_EQ(study->plan.channels, plan.channels);
    EXPECT_EQ(study->plan.tolerance, plan.tolerance);
    EXPECT_EQ(study->readings.size(), 10u);
    const std::vector<bool> done = DoneCaptures(*study);
    EXPECT_EQ(std::count(done.begin(), done.end(), true), 5);
    EXPECT_TRUE(done[0] && done[4] && !done[5]);
}

TEST(StudyFile, BadStudiesAreRefusedWithTheirReason) {
    const std::string grr = "operator,trial,part,channel,value_mm\n";
    std::string full = grr;
    for (const char* op : {"A", "B"})
        for (int t = 1; t <= 2; ++t)
            for (int p = 1; p <= 3; ++p)
                full += std::string(op) + "," + std::to_string(t) + "," + std::to_string(p) + ",1,0." +
                        std::to_string(p * 3 + t) + "\n";
    std::string missing = full;
    missing.erase(missing.find("B,2,3,1"));
    const struct {
        std::string text;
        StudyKind kind;
        const char* message;
    } cases[] = {
        {full, StudyKind::Type1, "holds a gauge R&R study, not a Type-1 study"},
        {"trial,channel,value_mm\n1,1,0.5\n", StudyKind::GaugeRr, "holds a Type-1 study, not a gauge R&R study"},
        {missing, StudyKind::GaugeRr, "operator B, trial 2, part 3 has no reading on channel 1"},
        {grr + "A,1,1,1,0.1\nA,1,2,1,0.2\nB,1,1,1,0.1\nB,1,2,1,0.3\n", StudyKind::GaugeRr, "2 to 10 trials, not 1"},
        {"# vexla-rec study: grr\n# parts: 0\n" + grr, StudyKind::GaugeRr, "parts 0: expected 2 to 50"},
        {grr + "A,1,1,1,abc\nA,1,2,1,0.2\n", StudyKind::GaugeRr, "line 2: the value_mm does not read as one"},
        {grr + "A,1,1,1,0.1\nA,1,1,1,0.2\n", StudyKind::GaugeRr, "has two readings on channel 1"},
        {"part,value\n1,2\n", StudyKind::GaugeRr, "line 1: not a study's heading"},
        {grr, StudyKind::GaugeRr, "no readings"},
        {"trial,channel,value_mm\n1,1,0.5\n2,1,0.6\n2,1,0.7\n", StudyKind::Type1, "trial 2 has two readings"},
    };
    for (const auto& c : cases) {
        std::string reason;
        Result<StudyData> study = ParseStudy(c.text, c.kind);
        if (!study) {
            reason = study.Failure().reason;
        } else if (c.kind == StudyKind::Type1) {
            const auto readings = Type1ReadingsOf(*study, 1);
            ASSERT_FALSE(readings) << c.message;
            reason = readings.Failure().reason;
        } else {
            const auto data = GaugeRrDataOf(*study, 1);
            const auto result =
                data ? quality::AnalyseGaugeRr(*data, std::nullopt) : Result<quality::GaugeRrResult>(data.Failure());
            ASSERT_FALSE(result) << c.message;
            reason = result.Failure().reason;
        }
        EXPECT_NE(reason.find(c.message), std::string::npos) << "expected: " << c.message << "\ngot: " << reason;
    }
}

TEST(StudyFile, AHandWrittenStudyTakesItsSizesFromItsRowsAndIgnoresOtherColumns) {
    const std::string text =
        "Operator,Trial,Part,Channel,Value_mm,Note\r\n"
        "\"Li, W\",1,1,3,1.5,x\r\nKim,1,1,3,1.6,\r\n\"Li, W\",2,2,3,1.7,\r\nKim,2,2,3,1.8,y";
    const Result<StudyData> study = ParseStudy(text, StudyKind::GaugeRr);
    ASSERT_TRUE(study) << study.Failure().Text();
    EXPECT_FALSE(study->ours);
    EXPECT_FALSE(study->cutOff) << "a last line without its line end that reads whole is kept";
    EXPECT_EQ(study->plan.operators, (std::vector<std::string>{"Li, W", "Kim"}));
    EXPECT_EQ(study->plan.parts, 2);
    EXPECT_EQ(study->plan.trials, 2);
    EXPECT_EQ(study->plan.channels, std::vector<int>{3});
    EXPECT_EQ(study->readings.size(), 4u);
}

}  // namespace
}  // namespace vexla::recorder::study
