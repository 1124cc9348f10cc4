// dopplex.exe's window driven through its messages, as an operator's clicks and keys reach it,
// with the trace port: the start-up state of every control, manual steps and arrow keys in the
// trace, the error report shown and dismissed, the help window, Exit and the close box lowering
// every line, a Tune from dopplex-tracker.exe's texts over DDE, and a closed-mode Reset shown as
// a train that Esc and Stop end.
#include "control_ids.h"
#include "eventually.h"
#include "link/dde/dde_transport.h"
#include "loop_panel_controls.h"
#include "tracker/link/client_conversation.h"
#include "window_layout.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace dopplex;
using dopplex::test::eventually;

namespace {

std::wstring module_folder() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

std::wstring widen(const std::string& text) {
    return std::wstring(text.begin(), text.end()); // the tests' texts are ASCII
}

std::string text_of(HWND window) {
    wchar_t text[512] = {};
    SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    std::string out;
    for (const wchar_t* c = text; *c; ++c) {
        if (*c != L'\r') {
            out += static_cast<char>(*c);
        }
    }
    return out;
}

// The bytes written, one per line of the trace file, in order.
std::vector<int> trace_bytes(const std::wstring& path) {
    std::ifstream file(path.c_str());
    std::vector<int> bytes;
    std::string time, address;
    int byte = 0;
    std::string bits;
    while (file >> time >> address >> byte >> bits) {
        bytes.push_back(byte);
    }
    return bytes;
}

int rising(const std::vector<int>& bytes, int bit) {
    int count = 0, before = 0;
    for (int byte : bytes) {
        count += ((byte >> bit) & 1) != 0 && ((before >> bit) & 1) == 0;
        before = byte;
    }
    return count;
}

// The bytes before the first that has `bit` high.
std::vector<int> before_lit(std::vector<int> bytes, int bit) {
    const auto lit =
        std::find_if(bytes.begin(), bytes.end(), [&](int b) { return (b >> bit) & 1; });
    bytes.erase(lit, bytes.end());
    return bytes;
}

struct Search {
    DWORD process;
    const wchar_t* window_class;
    HWND found;
    bool hidden_too = false;
};

BOOL CALLBACK match_window(HWND window, LPARAM search_address) {
    auto* search = reinterpret_cast<Search*>(search_address);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t window_class[64] = {};
    GetClassNameW(window, window_class, 64);
    if (process != search->process || lstrcmpW(window_class, search->window_class) != 0 ||
        (!IsWindowVisible(window) && !search->hidden_too)) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

// Starts a program of the build, found from the test's own folder.
PROCESS_INFORMATION start(const char* from_tests, const std::wstring& arguments) {
    const std::wstring exe = module_folder() + widen(from_tests);
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        ADD_FAILURE() << from_tests << " did not start, error " << GetLastError();
    }
    CloseHandle(info.hThread);
    return info;
}

// One dopplex.exe on the trace port, in the mode given (classic unless told) whatever an earlier
// run chose.
class Program {
public:
    explicit Program(const std::wstring& trace_path, const wchar_t* tracking = L"classic")
        : info_(start(DOPPLEX_EXE_FROM_TESTS, std::wstring(L"--tracking ") + tracking +
                                                  L" --port \"trace:" + trace_path + L"\"")) {
        eventually([this] { return (main_ = find(L"DopplexMainWindow")) != nullptr; });
    }
    ~Program() {
        if (!exited(0)) {
            PostMessageW(main_, WM_CLOSE, 0, 0);
            if (!exited(10000)) {
                TerminateProcess(info_.hProcess, 99);
            }
        }
        CloseHandle(info_.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    HWND main() const { return main_; }
    HWND find(const wchar_t* window_class, bool hidden_too = false) const {
        Search search{info_.dwProcessId, window_class, nullptr, hidden_too};
        EnumWindows(match_window, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    HWND item(const char* name) const { return GetDlgItem(main_, app::win32::control_id(name)); }
    HWND item(app::LoopField field) const {
        return GetDlgItem(main_, app::win32::loop_control_id(field));
    }
    // The operator picks entry `index` of one of the loop's lists.
    void choose(app::LoopField field, int index) const {
        SendMessageW(item(field), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        PostMessageW(main_, WM_COMMAND,
                     MAKEWPARAM(app::win32::loop_control_id(field), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(item(field)));
    }
    void click(const char* name) const { PostMessageW(item(name), BM_CLICK, 0, 0); }
    bool checked(const char* name) const {
        return SendMessageW(item(name), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    bool exited(DWORD wait_ms) const {
        return WaitForSingleObject(info_.hProcess, wait_ms) == WAIT_OBJECT_0;
    }
    DWORD exit_code() const {
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION info_{};
    HWND main_ = nullptr;
};

// dopplex-tracker.exe serving one text until it is ended, ready once its service answers, so a
// dopplex.exe started next finds it at start-up.
class Tracker {
public:
    explicit Tracker(const std::string& text) : Tracker({{0, text}}) {}
    // The texts at their times (ms from the start).
    explicit Tracker(const std::vector<std::pair<int, std::string>>& texts) {
        wchar_t folder[MAX_PATH];
        GetTempPathW(MAX_PATH, folder);
        recording_ = std::wstring(folder) + L"dopplex-window-" +
                     std::to_wstring(GetCurrentProcessId()) + L".tracking";
        // A last update far ahead keeps the tracker serving; after its last one it quits.
        std::ofstream recording(recording_.c_str(), std::ios::binary);
        for (const auto& [at_ms, text] : texts) {
            recording << at_ms << "\t" << text << "\n";
        }
        recording << "600000\t" << texts.back().second << " \n";
        recording.close();
        info_ = start(DOPPLEX_TRACKER_FROM_TESTS, L"--replay \"" + recording_ + L"\"");
        link::DdeTransport dde;
        EXPECT_TRUE(eventually([&] { return dde.answers(kTrackerService, kTrackerTopic); }))
            << "the tracker's service does not answer";
    }
    ~Tracker() {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, 10000);
        CloseHandle(info_.hProcess);
        DeleteFileW(recording_.c_str());
    }
    Tracker(const Tracker&) = delete;
    Tracker& operator=(const Tracker&) = delete;

private:
    PROCESS_INFORMATION info_{};
    std::wstring recording_;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t folder[MAX_PATH];
        GetTempPathW(MAX_PATH, folder);
        static int run = 0;
        trace_ = std::wstring(folder) + L"dopplex-window-" +
                 std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++run) + L".log";
        DeleteFileW(trace_.c_str());
    }
    void TearDown() override { DeleteFileW(trace_.c_str()); }

    std::vector<int> bytes() const { return trace_bytes(trace_); }
    int last_byte() const {
        const auto all = bytes();
        return all.empty() ? -1 : all.back();
    }
    // Ticks "Enable hardware", without which no line moves.
    static void enable_hardware(const Program& program) {
        program.click("CheckBox1");
        ASSERT_TRUE(eventually([&] { return program.checked("CheckBox1"); }));
    }

    std::wstring trace_;
};

TEST_F(WindowTest, StartUpStateOfEveryControl) {
    Program program(trace_);
    ASSERT_NE(program.main(), nullptr);
    ASSERT_TRUE(eventually([&] { return IsWindowVisible(program.main()) != 0; }));
    EXPECT_EQ(text_of(program.main()), std::string(app::kWindowCaption));
    RECT client{};
    GetClientRect(program.main(), &client);
    EXPECT_EQ(client.right, app::kWindowWidth); // Wine's display is at 96 dpi
    EXPECT_EQ(client.bottom, app::kWindowHeight);
    for (const app::Placement& place : app::control_placements()) {
        EXPECT_NE(program.item(std::string(place.name).c_str()), nullptr) << place.name;
    }

    struct Row {
        const char* name;
        const char* text;
        bool enabled;
        bool checked;
    };
    const Row rows[] = {
        {"l_st", "No data", true, false},
        {"l_na", "", true, false},
        {"l_az", "0.0", true, false},
        {"l_el", "0.0", true, false},
        {"l_uf", "0 Hz", true, false},
        {"l_df", "0 Hz", true, false},
        {"l_um", "", true, false},
        {"l_dm", "", true, false},
        {"l_aos", "None", true, false},
        {"l_dd", "Closed", true, false},
        {"Edit1", "Enter Freq E8", true, false},
        {"Edit13", "Enter Freq E8", true, false},
        {"Edit2", "0.00000", true, false},
        {"Edit14", "0.00000", true, false},
        {"Edit7", "0", true, false},
        {"Edit8", "0", true, false},
        {"Edit19", "0", true, false},
        {"Edit22", "0", true, false},
        {"Edit9", "0.0", true, false},
        {"Memo1", "", true, false},
        {"Memo2", "", true, false},
        {"Memo3", "", true, false},
        {"Memo4", "", true, false},
        {"Button1", "Tune RX", false, false},
        {"Button12", "Tune TX", false, false},
        {"Button2", "Freq. UP", true, false},
        {"Button3", "Freq. DOWN", true, false},
        {"Button20", "Freq. UP", true, false},
        {"Button21", "Freq. DOWN", true, false},
        {"Button7", "Adjust", false, false},
        {"Button9", "Adjust", false, false},
        {"Button15", "Adjust", false, false},
        {"Button16", "Adjust", false, false},
        {"Button11", "Start Tracking", false, false},
        {"Button19", "Start Tracking", false, false},
        {"Button22", "Reset  RX", false, false},
        {"Button23", "Reset  TX", false, false},
        {"Button6", "Help", true, false},
        {"SpeedButton1", "Exit", true, false},
        {"CheckBox1", "Enable hardware", true, false},
        {"CheckBox2", "Green LED channel activating", true, false},
        {"CheckBox3", "Additional channel (manual activation) ", true, false},
        {"RadioButton1", "100 Hz  Step", true, true},
        {"RadioButton2", "25 Hz  Step (Rush only) ", true, false},
        {"RadioButton3", "1000 Hz  Step", true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const HWND item = program.item(row.name);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(text_of(item), row.text);
        EXPECT_EQ(IsWindowEnabled(item) != 0, row.enabled);
        EXPECT_EQ(program.checked(row.name), row.checked);
    }
    const auto read_only = [&](const char* name) {
        return (GetWindowLongPtrW(program.item(name), GWL_STYLE) & ES_READONLY) != 0;
    };
    EXPECT_TRUE(read_only("Edit7"));
    EXPECT_FALSE(read_only("Edit1"));
    EXPECT_FALSE(read_only("Edit9"));
    // No train runs, so neither side's Stop is enabled; the tracker that start-up tried to
    // launch is not here, and the link status line says why (not only that nobody answers).
    for (const int stop : app::win32::kStopButtonIds) {
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(program.main(), stop)));
    }
    const HWND status = GetDlgItem(program.main(), app::win32::kLinkStatusId);
    const std::string why =
        "Tracker link: No tracker answers, and \"orbitron\" could not be started (not found)";
    EXPECT_TRUE(eventually([&] { return text_of(status) == why; })) << text_of(status);
    // The port is open, and nothing is written at start-up.
    EXPECT_TRUE(bytes().empty());
}

TEST_F(WindowTest, ManualStepsAndArrowKeysReachTheTrace) {
    Program program(trace_);
    ASSERT_NE(program.main(), nullptr);
    enable_hardware(program);
    struct Row {
        const char* what;
        const char* button; // clicked, or
        UINT message;       // posted to Edit1 with
        WPARAM key;         // this key
        int bit;            // the line that pulses, or -1
    };
    const Row rows[] = {
        {"RX up", "Button2", 0, 0, 0},
        {"RX down", "Button3", 0, 0, 1},
        {"TX up", "Button20", 0, 0, 4},
        {"TX down", "Button21", 0, 0, 5},
        {"Alt+Down is no step", nullptr, WM_SYSKEYDOWN, VK_DOWN, -1},
        {"Up arrow", nullptr, WM_KEYDOWN, VK_UP, 0},
        {"Down arrow", nullptr, WM_KEYDOWN, VK_DOWN, 1},
        {"Left arrow", nullptr, WM_KEYDOWN, VK_LEFT, 4},
        {"Right arrow", nullptr, WM_KEYDOWN, VK_RIGHT, 5},
    };
    int expected[8] = {};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.button) {
            program.click(row.button);
        } else {
            PostMessageW(program.item("Edit1"), row.message, row.key,
                         row.message == WM_SYSKEYDOWN ? (1 << 29) | 1 : 1);
        }
        if (row.bit < 0) {
            continue; // the next row shows that nothing came before it
        }
        ++expected[row.bit];
        ASSERT_TRUE(eventually([&] {
            const auto all = bytes();
            return rising(all, row.bit) == expected[row.bit] && all.back() == 0;
        }));
        for (int bit = 0; bit < 8; ++bit) {
            EXPECT_EQ(rising(bytes(), bit), expected[bit]) << "bit " << bit;
        }
    }
}

// The loop's panel shows the engine's loop: choosing the closed loop enables the sides' lists
// when the engine says so, and a step chosen is still chosen after the engine's next view.
TEST_F(WindowTest, LoopPanelChoicesReachTheEngine) {
    using app::LoopField;
    Program program(trace_);
    ASSERT_TRUE(eventually([&] { return IsWindowVisible(program.main()) != 0; }));
    const HWND step = program.item(LoopField::RxStep);
    EXPECT_FALSE(IsWindowEnabled(step));
    EXPECT_EQ(text_of(program.item(LoopField::RxReadout)), "RX offset 0 Hz");

    program.choose(LoopField::Mode, 1);
    ASSERT_TRUE(eventually([&] { return IsWindowEnabled(step) != 0; }));
    const int count = static_cast<int>(SendMessageW(step, CB_GETCOUNT, 0, 0));
    ASSERT_EQ(count, 8);
    const int other = (static_cast<int>(SendMessageW(step, CB_GETCURSEL, 0, 0)) + 1) % count;
    program.choose(LoopField::RxStep, other);
    // The next view comes from the engine. The view the step's choice brings may reset the mode's
    // list between this test's selection and its notice (an operator's click does both at once):
    // then the mode is chosen again.
    for (int attempt = 0; attempt < 20 && IsWindowEnabled(step); ++attempt) {
        program.choose(LoopField::Mode, 0);
        eventually([&] { return IsWindowEnabled(step) == 0; }, std::chrono::milliseconds(500));
    }
    ASSERT_FALSE(IsWindowEnabled(step));
    EXPECT_EQ(SendMessageW(step, CB_GETCURSEL, 0, 0), other);
}

TEST_F(WindowTest, ErrorReportShownAndDismissed) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    Program program(std::wstring(folder) + L"dopplex-no-such-folder\\lines.log");
    ASSERT_NE(program.main(), nullptr);
    HWND box = nullptr;
    ASSERT_TRUE(eventually([&] { return (box = program.find(L"#32770")) != nullptr; }));
    EXPECT_EQ(text_of(box), "Dopplex");
    const HWND message = GetDlgItem(box, 0xFFFF);
    EXPECT_NE(text_of(message).find("trace file"), std::string::npos) << text_of(message);
    EXPECT_FALSE(IsWindowEnabled(program.main())); // modal: the window waits for OK
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(eventually([&] { return program.find(L"#32770") == nullptr; }));
    EXPECT_TRUE(IsWindowEnabled(program.main()));
    // The engine went on meanwhile, on the virtual port, and takes input again.
    enable_hardware(program);
    EXPECT_FALSE(program.exited(0));
}

TEST_F(WindowTest, HelpShowsTheGuideAndHidesAgain) {
    Program program(trace_);
    ASSERT_NE(program.main(), nullptr);
    struct Row {
        const char* how;
        void (*hide)(HWND help);
    };
    const Row rows[] = {
        {"OKay",
         [](HWND help) {
             PostMessageW(GetDlgItem(help, app::win32::kHelpOkayId), BM_CLICK, 0, 0);
         }},
        {"close box", [](HWND help) { PostMessageW(help, WM_CLOSE, 0, 0); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.how);
        program.click("Button6");
        HWND help = nullptr;
        ASSERT_TRUE(eventually([&] { return (help = program.find(L"DopplexHelpWindow")); }));
        EXPECT_EQ(text_of(help), "Help");
        const HWND guide = GetDlgItem(help, app::win32::kHelpTextId);
        // The whole guide, past an edit control's default limit.
        EXPECT_GT(SendMessageW(guide, WM_GETTEXTLENGTH, 0, 0), 30000);
        row.hide(help);
        ASSERT_TRUE(eventually([&] { return !IsWindowVisible(help); }));
        EXPECT_FALSE(program.exited(0));
    }
}

TEST_F(WindowTest, ExitLowersEveryLine) {
    Program program(trace_);
    ASSERT_NE(program.main(), nullptr);
    enable_hardware(program);
    program.click("CheckBox3"); // the auxiliary line goes high and stays
    ASSERT_TRUE(eventually([&] { return last_byte() > 0 && (last_byte() & 0x80) != 0; }));
    program.click("SpeedButton1");
    ASSERT_TRUE(program.exited(10000));
    EXPECT_EQ(program.exit_code(), 0u);
    EXPECT_EQ(last_byte(), 0);
}

TEST_F(WindowTest, CloseBoxCutsQueuedPressesShortAndLowersEveryLine) {
    Program program(trace_);
    ASSERT_NE(program.main(), nullptr);
    enable_hardware(program);
    program.click("CheckBox3");
    ASSERT_TRUE(eventually([&] { return last_byte() > 0 && (last_byte() & 0x80) != 0; }));
    constexpr int kPresses = 60;
    for (int i = 0; i < kPresses; ++i) {
        program.click("Button2");
    }
    ASSERT_TRUE(eventually([&] { return rising(bytes(), 0) >= 1; }));
    PostMessageW(program.main(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.exited(10000));
    EXPECT_EQ(program.exit_code(), 0u);
    EXPECT_EQ(last_byte(), 0);
    EXPECT_LT(rising(bytes(), 0), kPresses);
}

// A pass from the tracker over DDE: the link opens and the labels fill; a Tune sends as many
// pulses as the offset the window shows, in 100 Hz steps, and the close box cuts a long train
// short. Either way the program ends with code 0 and every line low.
TEST_F(WindowTest, TuneFromTheTrackersPassOverDde) {
    struct Row {
        const char* what;
        int offset_hz; // of the downlink above the typed reference
        int bit;       // the line the train pulses
        bool close_during_train;
    };
    const Row rows[] = {
        {"up, then Exit", 300, 0, false},
        {"down, then Exit", -200, 1, false},
        {"close box during the train", 10000, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        DeleteFileW(trace_.c_str());
        const std::string downlink = std::to_string(436775000 + row.offset_hz);
        Tracker tracker("SN\"AO-51\" AZ123.4 EL12.5 DN" + downlink +
                        " UP145825000 UM\"FM\" DM\"FM\" AOS\"2026-12-07 10:00:00\"");
        Program program(trace_);
        ASSERT_NE(program.main(), nullptr);
        const std::pair<const char*, std::string> labels[] = {
            {"l_dd", "SIMULATED PASS"}, // dopplex-tracker.exe names its replay
            {"l_na", "AO-51"},
            {"l_el", "12.5"},
            {"l_df", downlink + " Hz"}};
        for (const auto& [name, text] : labels) {
            EXPECT_TRUE(eventually([&] { return text_of(program.item(name)) == text; }))
                << name << ": " << text_of(program.item(name));
        }
        EXPECT_EQ(text_of(program.main()).rfind("SIMULATED PASS - ", 0), 0u)
            << text_of(program.main());

        SendMessageW(program.item("Edit1"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"4.367750E8"));
        enable_hardware(program);
        ASSERT_TRUE(eventually([&] { return IsWindowEnabled(program.item("Button1")) != 0; }));
        program.click("Button1");
        ASSERT_TRUE(eventually([&] { return text_of(program.item("Edit8")) != "0"; }));
        const int count = std::abs(std::stoi(text_of(program.item("Edit8")))) / 100;
        EXPECT_EQ(count, std::abs(row.offset_hz) / 100);
        if (row.close_during_train) {
            ASSERT_TRUE(eventually([&] { return rising(bytes(), row.bit) >= 1; }));
            PostMessageW(program.main(), WM_CLOSE, 0, 0);
        } else {
            // The train is over once the tuned (blue) line is lit.
            ASSERT_TRUE(eventually([&] { return last_byte() > 0 && (last_byte() & 0x04) != 0; }));
            program.click("SpeedButton1");
        }
        ASSERT_TRUE(program.exited(10000));
        EXPECT_EQ(program.exit_code(), 0u);
        EXPECT_EQ(last_byte(), 0);
        // The train's pulses: those before the tuned line lit (tracking may step on after it).
        const auto train = before_lit(bytes(), 2);
        const int pulses = rising(train, row.bit);
        if (row.close_during_train) {
            EXPECT_LT(pulses, count);
        } else {
            EXPECT_EQ(pulses, count);
        }
        EXPECT_EQ(rising(train, row.bit ^ 1), 0); // nothing on the other direction's line
    }
}

} // namespace

namespace {

// A folder of its own under the temporary one, made empty.
std::wstring fresh_folder(const std::wstring& name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + name;
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    std::filesystem::create_directories(folder);
    return folder;
}

std::vector<std::string> lines_of(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A short pass: below the horizon while the window starts, three updates above, then set.
const std::vector<std::pair<int, std::string>> kShortPass = {
    {0, "SN\"AO-51\" AZ100.0 EL-5.0 DN436775000 UP145825000 AOS\"2026-12-07 10:00:00\""},
    {6000, "SN\"AO-51\" AZ110.0 EL5.0 DN436776000 UP145824000 AOS\"2026-12-07 10:00:00\""},
    {7000, "SN\"AO-51\" AZ120.0 EL7.5 DN436775500 UP145824500 AOS\"2026-12-07 10:00:00\""},
    {8000, "SN\"AO-51\" AZ130.0 EL10.0 DN436775000 UP145825000 AOS\"2026-12-07 10:00:00\""},
    {9000, "SN\"AO-51\" AZ140.0 EL-3.0 DN436774000 UP145826000 AOS\"2099-12-07 11:40:00\""},
};

} // namespace

// The readouts beside the model's controls follow a served pass, and the pass log holds its
// rows in %LOCALAPPDATA%\\Dopplex\\passes.
TEST_F(WindowTest, ReadoutsAndLogFollowAServedPass) {
    const std::wstring local = fresh_folder(L"dopplex-window-local");
    SetEnvironmentVariableW(L"LOCALAPPDATA", local.c_str());
    Tracker tracker(kShortPass);
    Program program(trace_);
    ASSERT_NE(program.main(), nullptr);
    const auto readout = [&](int id) { return text_of(GetDlgItem(program.main(), id)); };

    struct Row {
        const char* what;
        int id;
        std::string after_pass; // the text's start once the satellite has set
    };
    const Row rows[] = {
        {"live readout", app::win32::kLiveReadoutId, "Live  EL -3.0"},
        {"link status", app::win32::kLinkStatusId, "Tracker link: Conversation with Orbitron"},
        {"AOS countdown", app::win32::kAosCountdownId, "UTC, in "},
        {"log status", app::win32::kLogStatusId,
         "Pass log: " + std::string(local.begin(), local.end())},
    };
    for (const Row& row : rows) {
        EXPECT_TRUE(eventually([&] { return readout(row.id).find(row.after_pass) == 0; }))
            << row.what << ": " << readout(row.id);
    }

    // Every key that does something names it in its tooltip, as do the plot button and the
    // link's label.
    const HWND tips = program.find(TOOLTIPS_CLASSW, true);
    ASSERT_NE(tips, nullptr);
    EXPECT_GE(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 8);

    const HWND plot_button = GetDlgItem(program.main(), app::win32::kPlotButtonId);
    EXPECT_EQ(program.find(app::win32::kPlotWindowClass), nullptr);
    PostMessageW(plot_button, BM_CLICK, 0, 0);
    EXPECT_TRUE(eventually([&] { return program.find(app::win32::kPlotWindowClass) != nullptr; }));
    PostMessageW(program.find(app::win32::kPlotWindowClass), WM_CLOSE, 0, 0);
    EXPECT_TRUE(eventually([&] {
        return program.find(app::win32::kPlotWindowClass) == nullptr &&
               SendMessageW(plot_button, BM_GETCHECK, 0, 0) == BST_UNCHECKED;
    }));

    program.click("SpeedButton1");
    ASSERT_TRUE(program.exited(10000));
    const std::filesystem::path passes = std::filesystem::path(local) / L"Dopplex" / L"passes";
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(passes)) {
        files.push_back(entry.path());
    }
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].filename().string().substr(0, 6), "AO-51_");
    const std::vector<std::string> lines = lines_of(files[0]);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "time_utc,el_deg,az_deg,dn_hz,up_hz,side,direction,source,dial_hz,note");
    const char* rows_after_time[] = {
        ",5.0,110.0,436776000,145824000,,,,", ",7.5,120.0,436775500,145824500,,,,",
        ",10.0,130.0,436775000,145825000,,,,", ",-3.0,140.0,436774000,145826000,,,,"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(lines[i + 1].substr(24), rows_after_time[i]) << lines[i + 1];
    }
    SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(local, ignored);
}

// While a train holds the engine, the live readout still follows the tracker; after it, the
// engine's own requests are answered as before.
TEST_F(WindowTest, LiveReadoutFollowsTheTrackerThroughATrain) {
    std::vector<std::pair<int, std::string>> texts;
    for (int second = 0; second <= 30; ++second) {
        texts.emplace_back(second * 1000, "SN\"AO-51\" AZ123.4 EL" + std::to_string(10 + second) +
                                              ".0 DN436778000 UP145825000");
    }
    Tracker tracker(texts);
    Program program(trace_);
    ASSERT_NE(program.main(), nullptr);
    const HWND live = GetDlgItem(program.main(), app::win32::kLiveReadoutId);
    ASSERT_TRUE(eventually([&] { return !text_of(program.item("l_el")).empty(); }));
    SendMessageW(program.item("Edit1"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"4.367750E8"));
    enable_hardware(program);
    ASSERT_TRUE(eventually([&] { return IsWindowEnabled(program.item("Button1")) != 0; }));
    program.click("Button1"); // 30 pulses: 12 s
    ASSERT_TRUE(eventually([&] { return rising(bytes(), 0) >= 1; }));
    std::set<std::string> seen;
    ASSERT_TRUE(eventually(
        [&] {
            seen.insert(text_of(live));
            return rising(bytes(), 0) >= 25;
        },
        std::chrono::seconds(30)));
    EXPECT_GE(seen.size(), 5u) << "the live readout stood still during the train";
    ASSERT_TRUE(eventually([&] { return (last_byte() & 0x04) != 0; })); // tuned: the train ended
    const std::string after = text_of(program.item("l_el"));
    EXPECT_TRUE(eventually([&] { return text_of(program.item("l_el")) != after; }))
        << "the engine's fields stood still after the train";
    EXPECT_EQ(text_of(GetDlgItem(program.main(), app::win32::kLinkStatusId))
                  .find("Tracker link: No answer"),
              std::string::npos);
}

// A log folder that cannot be made is told on the status line, and the pass goes on.
TEST_F(WindowTest, LogFolderFailureIsToldAndThePassGoesOn) {
    const std::wstring local = fresh_folder(L"dopplex-window-nolog");
    std::ofstream(std::filesystem::path(local) / L"Dopplex") << "a file where the folder goes";
    SetEnvironmentVariableW(L"LOCALAPPDATA", local.c_str());
    Tracker tracker(kShortPass);
    Program program(trace_);
    ASSERT_NE(program.main(), nullptr);
    const HWND status = GetDlgItem(program.main(), app::win32::kLogStatusId);
    EXPECT_TRUE(eventually([&] {
        return text_of(status).find("cannot make the folder") != std::string::npos;
    })) << text_of(status);
    EXPECT_TRUE(eventually([&] { return text_of(program.item("l_el")) == "-3.0"; }))
        << text_of(program.item("l_el"));
    SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(local, ignored);
}

// A closed-mode Reset runs on the loop's timing, yet the window shows it as a train: the RX bar
// counts it, RX Stop is enabled while it runs, and Esc or that Stop ends it. Then Stop is grey
// again, the bar says the train ended, and Reset is back on for the rest.
TEST_F(WindowTest, ClosedModeResetIsATrainThatStops) {
    // Start Tracking counts the dial at the Doppler, 8 kHz above the reference; the pass ends
    // some seconds later, which enables Reset: 80 steps down.
    const std::string pass = "SN\"AO-51\" AZ123.4 EL12.5 DN436783000 UP145825000";
    std::string end = pass;
    end.replace(end.find("EL12.5"), 6, "EL-2.00");
    Tracker tracker({{0, pass}, {20000, end}});
    Program program(trace_, L"closed");
    ASSERT_NE(program.main(), nullptr);
    const HWND rx_bar = GetDlgItem(program.main(), app::win32::kRxTrainBarId);
    const HWND tx_bar = GetDlgItem(program.main(), app::win32::kTxTrainBarId);
    ASSERT_NE(rx_bar, nullptr);
    ASSERT_NE(tx_bar, nullptr);
    const auto stops_enabled = [&] {
        return std::pair{
            IsWindowEnabled(GetDlgItem(program.main(), app::win32::kStopButtonIds[0])) != 0,
            IsWindowEnabled(GetDlgItem(program.main(), app::win32::kStopButtonIds[1])) != 0};
    };
    ASSERT_TRUE(eventually([&] { return text_of(program.item("l_el")) == "12.5"; }))
        << text_of(program.item("l_el"));
    // An earlier run may have left another step remembered.
    const HWND step = program.item(app::LoopField::RxStep);
    const auto hundred = static_cast<int>(SendMessageW(
        step, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"100 Hz")));
    ASSERT_GE(hundred, 0);
    const auto chosen = [&] { return SendMessageW(step, CB_GETCURSEL, 0, 0) == hundred; };
    // The engine's next view may put back the old step between the choice and its notice.
    for (int attempt = 0; attempt < 10 && !chosen(); ++attempt) {
        program.choose(app::LoopField::RxStep, hundred);
        Sleep(1500);
    }
    ASSERT_TRUE(chosen());
    SendMessageW(program.item("Edit1"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"4.367750E8"));
    enable_hardware(program);
    ASSERT_TRUE(eventually([&] { return IsWindowEnabled(program.item("Button11")) != 0; }));
    program.click("Button11");
    const HWND dial = GetDlgItem(program.main(), app::win32::kRxDialId);
    ASSERT_TRUE(eventually([&] { return text_of(dial).find("436783000 Hz") != std::string::npos; }))
        << "the loop did not start before the pass ended: " << text_of(dial);
    ASSERT_TRUE(eventually([&] { return IsWindowEnabled(program.item("Button22")) != 0; },
                           std::chrono::seconds(30)));
    EXPECT_EQ(stops_enabled(), std::pair(false, false));

    // The pulses the bar says were sent, while it says the train runs.
    const auto running_sent = [&](const std::string& text) {
        const bool running = text.rfind("DOWN ", 0) == 0 && text.size() > 7 &&
                             text.compare(text.size() - 7, 7, " s left") == 0;
        return running ? std::atoi(text.c_str() + 5) : -1;
    };
    struct Row {
        const char* how;
        const char* count; // of the train the bar shows, or null: the rest of the way
        void (*stop)(const Program& program);
    };
    const Row rows[] = {
        {"Esc", " / 80 pulses, ",
         [](const Program& program) {
             PostMessageW(program.item("Edit1"), WM_KEYDOWN, VK_ESCAPE, 1);
         }},
        {"RX Stop", nullptr,
         [](const Program& program) {
             PostMessageW(GetDlgItem(program.main(), app::win32::kStopButtonIds[0]), BM_CLICK, 0,
                          0);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.how);
        program.click("Button22"); // the second time, the rest of the way
        ASSERT_TRUE(eventually([&] { return running_sent(text_of(rx_bar)) >= 2; },
                               std::chrono::seconds(20)))
            << text_of(rx_bar);
        EXPECT_EQ(stops_enabled(), std::pair(true, false));
        EXPECT_FALSE(IsWindowEnabled(program.item("Button22")));
        EXPECT_EQ(text_of(tx_bar), "");
        if (row.count) {
            EXPECT_NE(text_of(rx_bar).find(row.count), std::string::npos) << text_of(rx_bar);
        }
        row.stop(program);
        EXPECT_TRUE(eventually([&] {
            const std::string text = text_of(rx_bar);
            return stops_enabled() == std::pair(false, false) && text.size() > 7 &&
                   text.compare(text.size() - 7, 7, ", ended") == 0;
        })) << text_of(rx_bar);
        EXPECT_TRUE(eventually([&] { return IsWindowEnabled(program.item("Button22")) != 0; }));
        EXPECT_TRUE(eventually([&] { return (last_byte() & 0x02) == 0; })); // RX down let go
    }
}
