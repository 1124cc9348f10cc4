#include "classic/tfmain.h"

#include <gtest/gtest.h>

#include "case_name.h"
#include "core/classic/form_rig.h"

namespace dopplex {
namespace {

using test::case_name;
using test::FormTest;

struct FrequencyCase {
    const char* hz; // as the tracker writes it
    const char* fixed_7_5;
    const char* fixed_8_4;
    const char* fixed_6_0;
    const char* label;
};

class FrequencyDisplay : public FormTest<::testing::TestWithParam<FrequencyCase>> {
protected:
    void update(const std::string& text) {
        tracking_at(1000, text);
        loop.run(1000);
    }
};

const FrequencyCase kZero{"0", "0.00000", "0.0000", "0", "0 Hz"};

// One side's quantised fields and its frequency label, and the key that feeds them.
struct SideFields {
    const char* key;
    Control TFMain::*fixed_7_5;
    Control TFMain::*fixed_8_4;
    Control TFMain::*fixed_6_0;
    Control TFMain::*label;
};

const SideFields kReceiver{"DN", &TFMain::Edit2, &TFMain::Edit10, &TFMain::Edit11, &TFMain::l_df};
const SideFields kTransmitter{"UP", &TFMain::Edit14, &TFMain::Edit23, &TFMain::Edit21,
                              &TFMain::l_uf};

// Each side's frequency reaches its own fields only; the other side shows the zero it got.
TEST_P(FrequencyDisplay, EachFrequencyGoesToItsOwnSideOnly) {
    const FrequencyCase& f = GetParam();
    for (const auto& [fed, other] :
         {std::pair{kReceiver, kTransmitter}, std::pair{kTransmitter, kReceiver}}) {
        SCOPED_TRACE(fed.key);
        update(std::string("SN\"AO-51\" AZ10 EL5 ") + other.key + "0 " + fed.key + f.hz);
        const auto text = [this](Control TFMain::*c) { return (form.*c).text(); };
        EXPECT_EQ(text(fed.fixed_7_5), f.fixed_7_5);
        EXPECT_EQ(text(fed.fixed_8_4), f.fixed_8_4);
        EXPECT_EQ(text(fed.fixed_6_0), f.fixed_6_0);
        EXPECT_EQ(text(fed.label), f.label);
        EXPECT_EQ(text(other.fixed_7_5), kZero.fixed_7_5);
        EXPECT_EQ(text(other.fixed_8_4), kZero.fixed_8_4);
        EXPECT_EQ(text(other.fixed_6_0), kZero.fixed_6_0);
        EXPECT_EQ(text(other.label), kZero.label);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Display, FrequencyDisplay,
    ::testing::Values(
        FrequencyCase{"436775000", "4.36775E8", "4.36775E8", "4.36775E8", "436775000 Hz"},
        FrequencyCase{"436775123", "4.367751E8", "4.3677512E8", "4.36775E8", "436775123 Hz"},
        FrequencyCase{"436775150", "4.367752E8", "4.3677515E8", "4.36775E8", "436775150 Hz"},
        FrequencyCase{"436775149", "4.367751E8", "4.3677515E8", "4.36775E8", "436775149 Hz"},
        FrequencyCase{"436775500", "4.367755E8", "4.367755E8", "4.36776E8", "436775500 Hz"},
        FrequencyCase{"145826049", "1.45826E8", "1.4582605E8", "1.45826E8", "145826049 Hz"},
        FrequencyCase{"29412345.6", "2.941235E7", "29412346.0000", "2.94123E7", "29412346 Hz"},
        FrequencyCase{"29400000", "2.94E7", "29400000.0000", "2.94E7", "29400000 Hz"},
        FrequencyCase{"99999940", "9.999994E7", "99999940.0000", "9.99999E7", "99999940 Hz"},
        FrequencyCase{"100000040", "1E8", "1.0000004E8", "1E8", "100000040 Hz"},
        FrequencyCase{"2400123456", "2.400123E9", "2.4001235E9", "2.40012E9", "2400123456 Hz"},
        FrequencyCase{"2400000000", "2.4E9", "2.4E9", "2.4E9", "2400000000 Hz"},
        FrequencyCase{"4,36775E8", "4.36775E8", "4.36775E8", "4.36775E8", "436775000 Hz"}, kZero,
        // Not a number: shown as 0.
        FrequencyCase{"436.775MHz", "0.00000", "0.0000", "0", "0 Hz"}),
    [](const auto& info) {
        std::string name = "Hz_" + std::to_string(info.index);
        return name;
    });

struct AngleCase {
    const char* degrees;
    const char* shown;
};

class AngleDisplay : public FormTest<::testing::TestWithParam<AngleCase>> {};

TEST_P(AngleDisplay, AzimuthAndElevationKeepOneDecimal) {
    tracking_at(1000, std::string("AZ") + GetParam().degrees + " EL" + GetParam().degrees);
    loop.run(1000);
    EXPECT_EQ(form.l_az.text(), GetParam().shown);
    EXPECT_EQ(form.l_el.text(), GetParam().shown);
    EXPECT_EQ(form.Edit9.text(), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Display, AngleDisplay,
                         ::testing::Values(AngleCase{"234.56", "234.6"},
                                           AngleCase{"359.96", "360.0"}, AngleCase{"-1.96", "-2.0"},
                                           AngleCase{"-2.04", "-2.0"}, AngleCase{"-2.06", "-2.1"},
                                           AngleCase{"-1.94", "-1.9"}, AngleCase{"-0.04", "0.0"},
                                           AngleCase{"-0.05", "-0.1"}, AngleCase{"12.25", "12.3"},
                                           AngleCase{"0", "0.0"}),
                         [](const auto& info) {
                             return case_name(info.param.degrees, info.index);
                         });

using DisplayTest = FormTest<>;

TEST_F(DisplayTest, EveryTargetOfOneUpdate) {
    tracking_at(1000, "sn\"ao-51\" az123,4 el-5.2 dn435150000 up145920000 um\"FM\" "
                      "dm\"fm n\" aos\"12:34\"");
    loop.run(1000);
    EXPECT_EQ(form.l_na.text(), "AO-51");
    EXPECT_EQ(form.l_az.text(), "123.4");
    EXPECT_EQ(form.l_el.text(), "-5.2");
    EXPECT_EQ(form.l_uf.text(), "145920000 Hz");
    EXPECT_EQ(form.l_df.text(), "435150000 Hz");
    EXPECT_EQ(form.l_um.text(), "FM");
    EXPECT_EQ(form.l_dm.text(), "FM N");
    EXPECT_EQ(form.Edit2.text(), "4.3515E8");
    EXPECT_EQ(form.Edit10.text(), "4.3515E8");
    EXPECT_EQ(form.Edit11.text(), "4.3515E8");
    EXPECT_EQ(form.Edit9.text(), "-5.2");
    EXPECT_EQ(form.Edit14.text(), "1.4592E8");
    EXPECT_EQ(form.Edit21.text(), "1.4592E8");
    EXPECT_EQ(form.Edit23.text(), "1.4592E8");
    EXPECT_EQ(form.l_aos.text(), "AOS (12:34)");
    EXPECT_TRUE(host.reports().empty());
}

struct AosCase {
    const char* text;
    const char* shown;
};

class AosDisplay : public FormTest<::testing::TestWithParam<AosCase>> {};

TEST_P(AosDisplay, NotificationLabel) {
    tracking_at(1000, "AOS\"23:59\" EL-10");
    tracking_at(2000, GetParam().text);
    loop.run(2000);
    EXPECT_EQ(form.l_aos.text(), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Display, AosDisplay,
                         ::testing::Values(AosCase{"EL-10 AOS\"12:34\"", "AOS (12:34)"},
                                           AosCase{"AOS2024-01-01", "AOS (2024-01-01)"},
                                           AosCase{"EL-10", "None"}, AosCase{"AOS\"\" EL1", "None"},
                                           AosCase{"   ", "None"}),
                         [](const auto& info) { return case_name(info.param.text, info.index); });

struct ReceivedCase {
    const char* received;
    const char* shown;
};

class ReceivedString : public FormTest<::testing::TestWithParam<ReceivedCase>> {};

TEST_P(ReceivedString, IsTrimmedOfControlCodesAndBlanks) {
    tracking_at(1000, GetParam().received);
    loop.run(1000);
    EXPECT_EQ(form.l_st.text(), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Display, ReceivedString,
    ::testing::Values(ReceivedCase{"SN\"AO-51\" EL5", "SN\"AO-51\" EL5"},
                      ReceivedCase{"  SN\"AO 51\"   EL5  ", "SN\"AO 51\"   EL5"},
                      ReceivedCase{"\tSN X\r\n", "SN X"}, ReceivedCase{"\x1f\x01SN X\x02", "SN X"},
                      ReceivedCase{"   ", "No data"}, ReceivedCase{"\r\n", "No data"},
                      // Bytes above 127 are text, not blanks.
                      ReceivedCase{"\xa0SN X\xa0", "\xa0SN X\xa0"},
                      ReceivedCase{"\x7fSN", "\x7fSN"}),
    [](const auto& info) { return case_name(info.param.received, info.index); });

TEST_F(DisplayTest, TheTrimmedTextIsWhatIsParsed) {
    tracking_at(1000, "\r\n  sn\"x\" dn436775000 ");
    tracking_at(2000, "  ");
    loop.run(1000);
    EXPECT_EQ(form.l_na.text(), "X");
    EXPECT_EQ(form.Edit2.text(), "4.36775E8");
    loop.run(2000);
    EXPECT_EQ(form.l_st.text(), "No data");
    EXPECT_EQ(form.l_na.text(), "");
    EXPECT_EQ(form.Edit2.text(), "0.00000");
}

std::vector<std::string> tracking_panel(const TFMain& f) {
    std::vector<std::string> texts;
    for (const Control* c :
         {&f.l_na, &f.l_az, &f.l_el, &f.l_uf, &f.l_df, &f.l_um, &f.l_dm, &f.Edit2, &f.Edit10,
          &f.Edit11, &f.Edit9, &f.Edit14, &f.Edit21, &f.Edit23, &f.l_aos}) {
        texts.push_back(c->text());
    }
    return texts;
}

TEST_F(DisplayTest, AClosedLinkShowsTheSameDisplayAsStartUp) {
    const auto at_start = tracking_panel(form);
    tracking_at(1000, "SN\"AO-51\" AZ12 EL3 DN435150000 UP145920000 UM\"FM\" DM\"FM\" AOS\"1\"");
    loop.run(1000);
    ASSERT_NE(tracking_panel(form), at_start);
    loop.post(
        EventKind::Link, [&] { form.TrackingClose(); }, 2000);
    loop.run(2000);
    EXPECT_EQ(tracking_panel(form), at_start);
    EXPECT_EQ(form.l_st.text(), "No data");
}

TEST_F(DisplayTest, AnOverflowingNumberIsReportedAndTheDisplayKeepsTheLastUpdate) {
    tracking_at(1000, "SN\"A\" AZ12 EL3 DN435150000");
    tracking_at(2000, "SN\"B\" AZ1E400 EL4 DN145000000");
    loop.run(2000);
    EXPECT_EQ(reports(), (std::vector<std::string>{"Floating point overflow."}));
    EXPECT_EQ(host.reports()[0].t, 2000);
    EXPECT_EQ(form.l_st.text(), "SN\"B\" AZ1E400 EL4 DN145000000");
    EXPECT_EQ(form.l_na.text(), "A");
    EXPECT_EQ(form.l_az.text(), "12.0");
    EXPECT_EQ(form.Edit2.text(), "4.3515E8");
}

} // namespace
} // namespace dopplex
