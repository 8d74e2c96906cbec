// The native windows' pieces that need no screen: the dialog templates built in
// memory, the registry settings store, the UTF-8/UTF-16 conversions, the
// progress bar's scale and the review window's layout and pointer geometry.
#include "ControlIds.h"
#include "DialogTemplateBuilder.h"
#include "OptionSettings.h"
#include "ProgressRules.h"
#include "RegistrySettingsStore.h"
#include "ReviewGeometry.h"
#include "ReviewKeys.h"
#include "TextConversion.h"
#include "WinApi.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace winui;

namespace {

// One control of a built template, read back the way the dialog manager reads it.
struct ParsedControl {
    std::size_t offset; // in words, from the template's start
    std::uint32_t style;
    std::uint32_t id;
    std::wstring className;
    std::wstring text;
    bool textIsOrdinal = false;
    std::uint16_t ordinal = 0;
};

struct ParsedTemplate {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::uint16_t count = 0;
    int width = 0;
    int height = 0;
    std::wstring caption;
    std::uint16_t points = 0;
    std::wstring font;
    std::vector<ParsedControl> controls;
};

class Reader {
public:
    explicit Reader(const std::vector<std::uint16_t>& words) : words(words) {}
    std::uint16_t Word() { return words.at(at++); }
    std::uint32_t DoubleWord() {
        const std::uint32_t low = Word();
        return low | (static_cast<std::uint32_t>(Word()) << 16);
    }
    std::wstring Text() {
        std::wstring text;
        while (std::uint16_t c = Word()) {
            text += static_cast<wchar_t>(c);
        }
        return text;
    }
    void Align() { at += at % 2; }
    std::size_t Offset() const { return at; }
    bool AtEnd() const { return at == words.size(); }

private:
    const std::vector<std::uint16_t>& words;
    std::size_t at = 0;
};

ParsedTemplate Parse(const std::vector<std::uint16_t>& words) {
    Reader in(words);
    ParsedTemplate parsed;
    EXPECT_EQ(in.Word(), 1);      // dlgVer
    EXPECT_EQ(in.Word(), 0xFFFF); // extended template
    in.DoubleWord();              // help id
    parsed.exStyle = in.DoubleWord();
    parsed.style = in.DoubleWord();
    parsed.count = in.Word();
    in.Word(); // x
    in.Word(); // y
    parsed.width = in.Word();
    parsed.height = in.Word();
    EXPECT_EQ(in.Word(), 0); // menu
    EXPECT_EQ(in.Word(), 0); // class
    parsed.caption = in.Text();
    parsed.points = in.Word();
    in.Word(); // weight
    in.Word(); // italic, character set
    parsed.font = in.Text();
    for (std::uint16_t i = 0; i < parsed.count; ++i) {
        in.Align();
        ParsedControl control;
        control.offset = in.Offset();
        in.DoubleWord(); // help id
        in.DoubleWord(); // extended style
        control.style = in.DoubleWord();
        for (int j = 0; j < 4; ++j) {
            in.Word();
        }
        control.id = in.DoubleWord();
        control.className = in.Text();
        if (std::uint16_t first = in.Word(); first == 0xFFFF) {
            control.textIsOrdinal = true;
            control.ordinal = in.Word();
        } else {
            while (first != 0) {
                control.text += static_cast<wchar_t>(first);
                first = in.Word();
            }
        }
        EXPECT_EQ(in.Word(), 0); // creation data
        parsed.controls.push_back(control);
    }
    EXPECT_TRUE(in.AtEnd());
    return parsed;
}

TEST(DialogTemplateBuilder, BothTemplatesReadBackControlForControl) {
    for (const DialogTemplate* dialog : {&kMainWindowTemplate, &kAboutBoxTemplate}) {
        SCOPED_TRACE(dialog->caption);
        const DialogFrame frame{WS_POPUP | WS_CAPTION, WS_EX_APPWINDOW};
        const ParsedTemplate parsed = Parse(BuildDialogTemplate(*dialog, frame));
        EXPECT_EQ(parsed.style, frame.style | DS_SETFONT);
        EXPECT_EQ(parsed.exStyle, frame.exStyle);
        EXPECT_EQ(parsed.caption, Utf16FromUtf8(dialog->caption));
        EXPECT_EQ(parsed.width, dialog->width);
        EXPECT_EQ(parsed.height, dialog->height);
        EXPECT_EQ(parsed.font, kDialogFontName);
        EXPECT_EQ(parsed.points, kDialogFontPoints);
        ASSERT_EQ(parsed.controls.size(), dialog->controlCount);
        for (std::size_t i = 0; i < dialog->controlCount; ++i) {
            const DialogControl& control = dialog->controls[i];
            const ParsedControl& built = parsed.controls[i];
            SCOPED_TRACE(control.text);
            // The dialog manager needs every control on a DWORD boundary.
            EXPECT_EQ(built.offset % 2, 0u);
            EXPECT_EQ(static_cast<int>(built.id), control.id);
            EXPECT_EQ(built.className, NativeControlFor(control).className);
            EXPECT_EQ(built.style, NativeControlFor(control).style);
            if (control.kind == ControlKind::StaticIcon) {
                EXPECT_TRUE(built.textIsOrdinal);
                EXPECT_EQ(built.ordinal, IDR_MAINFRAME);
            } else {
                EXPECT_EQ(built.text, Utf16FromUtf8(control.text));
            }
        }
    }
}

// The arrows attach themselves to the control created just before them: that
// must be the number field they step.
TEST(DialogTemplateBuilder, EveryUpDownFollowsItsNumberEdit) {
    const DialogControl* controls = kMainWindowTemplate.controls;
    int upDowns = 0;
    for (std::size_t i = 0; i < kMainWindowTemplate.controlCount; ++i) {
        if (controls[i].kind != ControlKind::UpDown) {
            continue;
        }
        ++upDowns;
        ASSERT_GT(i, 0u);
        EXPECT_EQ(controls[i - 1].kind, ControlKind::Edit);
        EXPECT_TRUE(NativeControlFor(controls[i - 1]).style & ES_NUMBER);
        const std::uint32_t style = NativeControlFor(controls[i]).style;
        EXPECT_EQ(style & (UDS_AUTOBUDDY | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_NOTHOUSANDS),
                  static_cast<std::uint32_t>(UDS_AUTOBUDDY | UDS_ALIGNRIGHT | UDS_SETBUDDYINT |
                                             UDS_NOTHOUSANDS));
    }
    EXPECT_EQ(upDowns, 3);
}

TEST(DialogTemplateBuilder, ControlKindsMapToTheSystemClasses) {
    struct Case {
        ControlKind kind;
        unsigned style;
        const wchar_t* className;
        std::uint32_t wanted;
    };
    const Case cases[] = {
        {ControlKind::Static, StyleAlignRight | StyleGroup, L"Static", SS_RIGHT | WS_GROUP},
        {ControlKind::Static, StyleNoPrefix, L"Static", SS_NOPREFIX},
        {ControlKind::StaticIcon, StyleNone, L"Static", SS_ICON},
        {ControlKind::Edit, StyleBorder | StyleTabStop | StyleNumber, L"Edit",
         WS_BORDER | WS_TABSTOP | ES_NUMBER},
        {ControlKind::Edit, StyleAutoHScroll, L"Edit", ES_AUTOHSCROLL},
        {ControlKind::DefPushButton, StyleTabStop, L"Button", BS_DEFPUSHBUTTON | WS_TABSTOP},
        {ControlKind::RadioButton, StyleGroup, L"Button", BS_AUTORADIOBUTTON | WS_GROUP},
        {ControlKind::CheckBox, StyleNone, L"Button", BS_AUTOCHECKBOX},
        {ControlKind::GroupBox, StyleNone, L"Button", BS_GROUPBOX},
        {ControlKind::Trackbar, StyleTicksBelow, TRACKBAR_CLASSW, TBS_AUTOTICKS | TBS_BOTTOM},
    };
    for (const Case& c : cases) {
        const NativeControl native = NativeControlFor({1, c.kind, "", 0, 0, 1, 1, c.style});
        EXPECT_EQ(native.className, c.className);
        EXPECT_EQ(native.style & c.wanted, c.wanted) << static_cast<int>(c.kind);
        EXPECT_EQ(native.style & (WS_CHILD | WS_VISIBLE),
                  static_cast<std::uint32_t>(WS_CHILD | WS_VISIBLE));
    }
    // A plain push button is not the default one.
    const NativeControl plain =
        NativeControlFor({1, ControlKind::PushButton, "", 0, 0, 1, 1, StyleNone});
    EXPECT_EQ(plain.style & BS_TYPEMASK, static_cast<std::uint32_t>(BS_PUSHBUTTON));
}

TEST(TextConversion, RoundTripsEveryPlane) {
    for (const std::string text : {"", "Track", "Spür Ж Œ", "\xF0\x9D\x84\x9E clef"}) {
        EXPECT_EQ(Utf8FromUtf16(Utf16FromUtf8(text)), text);
    }
    EXPECT_EQ(Utf16FromUtf8("\xF0\x9D\x84\x9E").size(), 2u); // one surrogate pair
}

// Each test works under a program name of its own and removes it afterwards.
class RegistryStore : public testing::Test {
protected:
    void SetUp() override {
        program = "quernfold-unit-" + std::to_string(GetCurrentProcessId()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\" + Utf16FromUtf8(kSettingsRoot) + L"\\" +
                                           Utf16FromUtf8(program))
                                              .c_str());
    }

    // The stored type of a value, REG_NONE when it is missing.
    DWORD TypeOf(RegistrySettingsStore& store, const std::string& section,
                 const std::string& entry) {
        DWORD type = REG_NONE;
        if (RegGetValueW(HKEY_CURRENT_USER, store.SectionKey(section).c_str(),
                         Utf16FromUtf8(entry).c_str(), RRF_RT_ANY, &type, nullptr,
                         nullptr) != ERROR_SUCCESS) {
            return REG_NONE;
        }
        return type;
    }

    std::string program;
};

TEST_F(RegistryStore, NumbersAndTextsReadBackAsTheirKinds) {
    RegistrySettingsStore store(kSettingsRoot, program);
    EXPECT_FALSE(store.Has("Options", "Threshold"));
    EXPECT_FALSE(store.ReadInt("Options", "SilenceLength"));

    ASSERT_TRUE(
        store.WriteSection("Options", {{"SilenceLength", 500},
                                       {"Negative", -1},
                                       {"Threshold", std::string("0.35 %")},
                                       {"BeginWith", std::string("Spür Ж \xF0\x9D\x84\x9E")},
                                       {"Empty", std::string()}}));
    EXPECT_EQ(store.ReadInt("Options", "SilenceLength"), 500);
    EXPECT_EQ(store.ReadInt("Options", "Negative"), -1);
    EXPECT_EQ(store.ReadText("Options", "Threshold"), "0.35 %");
    EXPECT_EQ(store.ReadText("Options", "BeginWith"), "Spür Ж \xF0\x9D\x84\x9E");
    EXPECT_EQ(store.ReadText("Options", "Empty"), "");
    // A text is no number; a number reads as its decimal text.
    EXPECT_FALSE(store.ReadInt("Options", "Threshold"));
    EXPECT_EQ(store.ReadText("Options", "SilenceLength"), "500");
    EXPECT_TRUE(store.Has("Options", "Empty"));
    // Sections are apart.
    EXPECT_FALSE(store.Has("Settings", "SilenceLength"));

    EXPECT_EQ(TypeOf(store, "Options", "SilenceLength"), static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(TypeOf(store, "Options", "Threshold"), static_cast<DWORD>(REG_SZ));
}

// Values written by hand or by another tool: a text without its terminating
// zero or of odd length, a number of the wrong size, another type.
TEST_F(RegistryStore, OddValuesReadSafely) {
    RegistrySettingsStore store(kSettingsRoot, program);
    ASSERT_TRUE(store.WriteSection("Options", {{"Placeholder", 0}}));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, store.SectionKey("Options").c_str(), 0,
                            KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    const wchar_t unterminated[] = {L'0', L'.', L'5', L'0', L' ', L'%'};
    RegSetValueExW(key, L"Unterminated", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated),
                   sizeof unterminated);
    RegSetValueExW(key, L"OddLength", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"Ab"), 3);
    const BYTE shortNumber[2] = {1, 0};
    RegSetValueExW(key, L"ShortNumber", 0, REG_DWORD, shortNumber, sizeof shortNumber);
    const BYTE binary[4] = {1, 2, 3, 4};
    RegSetValueExW(key, L"Binary", 0, REG_BINARY, binary, sizeof binary);
    RegCloseKey(key);

    EXPECT_EQ(store.ReadText("Options", "Unterminated"), "0.50 %");
    EXPECT_EQ(store.ReadText("Options", "OddLength"), "A");
    EXPECT_FALSE(store.ReadInt("Options", "ShortNumber"));
    EXPECT_FALSE(store.ReadInt("Options", "Binary"));
    EXPECT_FALSE(store.ReadText("Options", "Binary"));
    EXPECT_TRUE(store.Has("Options", "Binary"));
}

// The options a window saves come back as saved, under their names and types.
TEST_F(RegistryStore, OptionsSaveAndLoadWithTheirTypes) {
    RegistrySettingsStore store(kSettingsRoot, program);
    SplitOptions defaults;
    SplitOptions loaded;
    LoadOptionSettings(store, loaded);
    EXPECT_EQ(loaded.fileNamePrefix, defaults.fileNamePrefix);

    SplitOptions changed = loaded;
    changed.fileNamePrefix = "Seite";
    changed.silenceLengthMs = 750;
    changed.trimSilence = true;
    changed.naming.firstNumber = 7;
    changed.naming.artist = "Ana Mar\xC3\xAD"
                            "a";
    ASSERT_TRUE(SaveOptionSettings(store, changed, loaded));

    SplitOptions again;
    LoadOptionSettings(store, again);
    EXPECT_EQ(again.fileNamePrefix, "Seite");
    EXPECT_EQ(again.silenceLengthMs, 750u);
    EXPECT_TRUE(again.trimSilence);
    EXPECT_EQ(again.naming.firstNumber, 7u);
    EXPECT_EQ(again.naming.artist, changed.naming.artist);
    // A hand-edited value its rule refuses reads as its default.
    ASSERT_TRUE(store.WriteSection(kOptionsSection, {{"AppendSilence", -1}}));
    LoadOptionSettings(store, again);
    EXPECT_EQ(again.appendSilenceMs, defaults.appendSilenceMs);
    for (const OptionSetting& setting : OptionSettings()) {
        const bool isText = std::holds_alternative<std::string SplitOptions::*>(setting.option) ||
                            std::holds_alternative<std::string TrackNaming::*>(setting.option);
        EXPECT_EQ(TypeOf(store, kOptionsSection, setting.entry),
                  static_cast<DWORD>(isText ? REG_SZ : REG_DWORD))
            << setting.entry;
    }
}

// The engine's positions are 64-bit frame counts; the native bar counts in int.
TEST(ProgressRules, PercentagesAndBarPositionsForAnyRange) {
    struct Case {
        std::int64_t lower, upper, pos;
        int percentage;
        BarPosition bar;
    };
    const std::int64_t big = 6'000'000'000; // frames beyond the range of int
    const Case cases[] = {
        {0, 3, 0, 0, {3, 0}},
        {0, 3, 1, 33, {3, 1}},
        {0, 3, 2, 66, {3, 2}},
        {0, 3, 3, 100, {3, 3}},
        {0, 3, 6, 200, {3, 3}}, // past the end: the caption says so, the bar is full
        {10, 10, 5, 0, {1, 0}}, // an empty range
        {10, 5, 7, 0, {1, 0}},  // upper below lower
        {0, big, big / 2, 50, {big / 3, big / 6}}, // scaled by 3 to fit in int
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.lower) + ".." + std::to_string(c.upper) + " at " +
                     std::to_string(c.pos));
        EXPECT_EQ(ProgressPercentage(c.lower, c.upper, c.pos), c.percentage);
        const BarPosition bar = ProgressBarPosition(c.lower, c.upper, c.pos);
        EXPECT_EQ(bar.range, c.bar.range);
        EXPECT_EQ(bar.value, c.bar.value);
    }
    // However far outside, the percentage stays an int.
    EXPECT_GT(ProgressPercentage(0, 1, std::numeric_limits<std::int64_t>::max()), 100);
}

TEST(ProgramName, IsTheExecutableWithoutItsExtension) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::string name = ProgramNameFromExecutable();
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(name.find('.'), std::string::npos);
    EXPECT_NE(Utf8FromUtf16(path).find(name + ".exe"), std::string::npos);
}

} // namespace

// The review window at several sizes and DPIs: every control has room of its
// own inside the client area, and the waveform takes what the rows leave.
TEST(ReviewLayout, EveryControlFitsWithoutOverlapAtAnySizeAndDpi) {
    struct Case {
        int width, height, dpi;
    };
    const PixelSize smallest = MinimumReviewClientSize(96);
    for (const Case c : {Case{smallest.width, smallest.height, 96}, Case{1200, 900, 96},
                         Case{300, 200, 96}, Case{1400, 1000, 144}, Case{2400, 1600, 192},
                         // Fractional scales round each width: the smallest window there.
                         Case{1, 1, 120}, Case{1, 1, 168}}) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " at " << c.dpi);
        const PixelSize minimum = MinimumReviewClientSize(c.dpi);
        const int width = std::max(c.width, minimum.width);
        const int height = std::max(c.height, minimum.height);
        const ReviewLayout layout = LayOutReview(c.width, c.height, c.dpi);
        for (std::size_t i = 0; i < layout.parts.size(); ++i) {
            const PixelRect& a = layout.parts[i];
            SCOPED_TRACE(testing::Message() << "part " << i);
            EXPECT_GT(a.Width(), 0);
            EXPECT_GT(a.Height(), 0);
            EXPECT_GE(a.left, 0);
            EXPECT_GE(a.top, 0);
            EXPECT_LE(a.right, width);
            EXPECT_LE(a.bottom, height);
            for (std::size_t j = i + 1; j < layout.parts.size(); ++j) {
                const PixelRect& b = layout.parts[j];
                const bool overlap =
                    a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
                EXPECT_FALSE(overlap) << "with part " << j;
            }
        }
        EXPECT_GE(layout[ReviewPart::Waveform].Height(), ScaledForDpi(140, c.dpi));
    }
    // Growing the window grows the waveform by as much, and nothing else.
    const ReviewLayout normal = LayOutReview(1000, 700, 96);
    const ReviewLayout taller = LayOutReview(1000, 800, 96);
    EXPECT_EQ(taller[ReviewPart::Waveform].Height(), normal[ReviewPart::Waveform].Height() + 100);
    EXPECT_EQ(taller[ReviewPart::Summary].Height(), normal[ReviewPart::Summary].Height());
}

// Columns and frames: a click anywhere on the plot, or beside it, lands on a
// frame in view, and the frame under a column is drawn there again (within the
// columns one frame spans, zoomed in past a frame per column).
TEST(ReviewGeometry, FramesAndColumnsMapBothWays) {
    const PixelRect plot = WaveformPlot(808, 300, 96);
    ASSERT_EQ(plot.left, 4);
    ASSERT_EQ(plot.Width(), 800);
    for (const auto& [first, end] : {std::pair<std::uint32_t, std::uint32_t>{0, 8000 * 3600},
                                     {1000, 1400},
                                     {4'000'000'000u, 4'000'000'500u}}) {
        const FrameScale scale(first, end, static_cast<std::uint32_t>(plot.Width()));
        EXPECT_EQ(FrameAtX(scale, plot, plot.left - 50), first);
        EXPECT_LT(FrameAtX(scale, plot, plot.right + 50), end);
        const std::uint32_t span = end - first;
        const int columnsPerFrame = span >= 800u ? 0 : static_cast<int>((800u + span - 1) / span);
        for (const int x : {plot.left, plot.left + 1, plot.left + 399, plot.right - 1}) {
            const std::uint32_t frame = FrameAtX(scale, plot, x);
            EXPECT_LE(std::abs(XOfFrame(scale, plot, frame) - x), columnsPerFrame)
                << first << ".." << end << " at " << x;
        }
    }
}

// A cut is taken a few pixels either side at any DPI: twice the frames at
// twice the DPI, and never less than a frame when zoomed in to single frames.
TEST(ReviewGeometry, GrabDistanceFollowsDpiAndScale) {
    const FrameScale hour(0, 8000 * 3600, 800);
    EXPECT_EQ(GrabToleranceFrames(hour, 192), 2 * GrabToleranceFrames(hour, 96));
    EXPECT_EQ(GrabToleranceFrames(FrameScale(0, 100, 800), 96), 1u);
    EXPECT_TRUE(NearLine(104, 100, 96));
    EXPECT_FALSE(NearLine(105, 100, 96));
    EXPECT_TRUE(NearLine(108, 100, 192));
}

// Dragging the threshold line: the level under the pointer is the level the
// line is drawn at, above and below the centre line, in both views.
TEST(ReviewGeometry, ThresholdLineAndLevelUnderThePointerAgree) {
    const PixelRect plot = WaveformPlot(808, 400, 96);
    const int centre = plot.top + plot.Height() / 2;
    const int half = plot.Height() / 2;
    for (const AmplitudeView view : {AmplitudeView::Decibels, AmplitudeView::Linear}) {
        for (const std::uint32_t level : {66u, 655u, 6553u, 20000u}) {
            SCOPED_TRACE(testing::Message() << "level " << level);
            const int offset = LevelOffsetPixels(level, view, half);
            if (offset < 2) {
                continue; // the linear view has no room for the quietest levels
            }
            for (const int y : {centre - offset, centre + offset}) {
                EXPECT_TRUE(NearThresholdLine(plot, y, level, view, 96));
                const std::uint32_t found = LevelAtY(plot, y, view);
                // Within what one pixel stands for at that height.
                EXPECT_EQ(LevelOffsetPixels(found, view, half), offset);
            }
            EXPECT_FALSE(NearThresholdLine(plot, centre - offset - 10, level, view, 96));
        }
    }
}

// The size kept in the registry: opening and closing the window leaves it as
// it was at any DPI, it opens as large on any display, a missing size opens at
// the default, and no stored size opens it smaller than its controls or
// overflows the arithmetic.
TEST(ReviewGeometry, StoredSizeOpensTheSameOnAnyDisplay) {
    for (const int dpi : {96, 120, 144, 168, 192}) {
        for (const PixelSize start : {PixelSize{901, 633}, PixelSize{1500, 1001}}) {
            SCOPED_TRACE(testing::Message() << start.width << "x" << start.height << " at " << dpi);
            PixelSize stored = start;
            for (int round = 0; round < 5; ++round) {
                stored = StoredClientSize(OpeningClientSize(stored, dpi), dpi);
            }
            EXPECT_EQ(stored.width, start.width);
            EXPECT_EQ(stored.height, start.height);
            EXPECT_EQ(OpeningClientSize(start, dpi).width, ScaledForDpi(start.width, dpi));
        }
        const PixelSize minimum = MinimumReviewClientSize(dpi);
        for (const PixelSize odd : {PixelSize{1, 1}, PixelSize{2147483647, 2147483647}}) {
            const PixelSize opened = OpeningClientSize(odd, dpi);
            EXPECT_GE(opened.width, minimum.width);
            EXPECT_GE(opened.height, minimum.height);
            EXPECT_LE(opened.width, ScaledForDpi(16384, dpi));
        }
        EXPECT_EQ(OpeningClientSize(std::nullopt, dpi).width,
                  std::max(minimum.width, ScaledForDpi(900, dpi)));
    }
}

// The waveform's keyboard map: every action has its key, Shift and Ctrl change
// what the arrows do, and Ctrl with a letter stays free for other commands.
TEST(ReviewKeys, KeysAndModifiersMapToTheirActions) {
    using A = WaveformAction;
    struct Case {
        unsigned key;
        bool control, shift;
        A action;
    };
    const Case cases[] = {
        {VK_LEFT, false, false, A::SelectPreviousCut},
        {VK_RIGHT, false, false, A::SelectNextCut},
        {VK_LEFT, false, true, A::NudgeBack},
        {VK_RIGHT, false, true, A::NudgeOn},
        {VK_LEFT, true, false, A::StepBack},
        {VK_RIGHT, true, false, A::StepOn},
        {VK_RIGHT, true, true, A::None},
        {VK_INSERT, false, false, A::AddCut},
        {VK_DELETE, false, false, A::DeleteCut},
        {'Z', true, false, A::Undo},
        {'Z', true, true, A::Redo},
        {'Y', true, false, A::Redo},
        {'Z', false, false, A::None},
        {'Y', true, true, A::None},
        {VK_OEM_PLUS, false, true, A::ZoomIn},
        {VK_ADD, false, false, A::ZoomIn},
        {VK_OEM_MINUS, false, false, A::ZoomOut},
        {VK_SUBTRACT, false, false, A::ZoomOut},
        {'0', false, false, A::Fit},
        {'F', false, false, A::Fit},
        {'F', true, false, A::None},
        {VK_PRIOR, false, false, A::PageBack},
        {VK_NEXT, false, false, A::PageOn},
        {VK_HOME, false, false, A::ToStart},
        {VK_END, false, false, A::ToEnd},
        {'L', false, false, A::ToggleAmplitude},
        {VK_SPACE, false, false, A::PlayOrStop},
        {VK_SPACE, true, false, A::None},
        {'C', false, true, A::Play},
        {'P', false, false, A::Play},
        {'C', true, false, A::None},
        {VK_TAB, false, false, A::None},
        {VK_RETURN, false, false, A::None},
        {VK_ESCAPE, false, false, A::None},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WaveformKeyAction(c.key, c.control, c.shift), c.action)
            << "key " << c.key << (c.control ? " +Ctrl" : "") << (c.shift ? " +Shift" : "");
    }
    EXPECT_EQ(WaveformPlayAction('E'), ListenAction::AfterCut);
    EXPECT_EQ(WaveformPlayAction('P'), ListenAction::Band);
    EXPECT_EQ(WaveformPlayAction(VK_F5), std::nullopt);
}

// The time axis keeps its labels about 100 px apart at any zoom and DPI (never
// crowded, never more than one step of the scale too sparse), and the scroll
// bar's range fits its int for the longest recording a WAV file holds.
TEST(ReviewGeometry, TimeAxisLabelsAndScrollRangeAtAnyScale) {
    constexpr std::uint32_t rate = 48000;
    for (const int dpi : {96, 192}) {
        for (const std::uint64_t span :
             {std::uint64_t{2400}, std::uint64_t{rate} * 7, std::uint64_t{rate} * 3600 * 3}) {
            const int width = ScaledForDpi(800, dpi);
            const double step = AxisStepSeconds(span, rate, width, ScaledForDpi(100, dpi));
            const double pixels = step * rate * width / static_cast<double>(span);
            EXPECT_GE(pixels, ScaledForDpi(100, dpi) - 1) << span << " frames at " << dpi;
            EXPECT_LE(pixels, ScaledForDpi(100, dpi) * 3) << span << " frames at " << dpi;
        }
    }
    for (const std::uint32_t frames : {0u, 1u, 99'999u, 4'294'967'295u}) {
        EXPECT_LE(frames / ScrollUnit(frames), 200'000u) << frames;
    }
}
