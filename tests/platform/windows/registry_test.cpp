// The tracker's location read from the real registry of the Wine prefix (HKEY_CURRENT_USER).
#include <gtest/gtest.h>

#include <windows.h>

#include "settings/registry_settings_store.h"
#include "tracker/link/tracker_location.h"

namespace dopplex {
namespace {

std::string locate(settings::RegistrySettingsStore& store) {
    return locate_tracker(
        "C:\\app\\", [](const std::string&) { return false; }, store);
}

TEST(RegistryStore, TrackerLocationFromThePathValue) {
    struct Row {
        const char* what;
        DWORD type; // REG_NONE: no value at all
        std::string data;
        std::string expected;
    };
    const std::string long_folder = "C:\\" + std::string(300, 'd') + "\\";
    const Row rows[] = {
        {"folder with its backslash", REG_SZ, "C:\\Orbitron\\", "C:\\Orbitron\\orbitron"},
        {"folder without it", REG_SZ, "C:\\Orbitron", "C:\\Orbitronorbitron"},
        {"expandable, kept unexpanded", REG_EXPAND_SZ, "%ProgramFiles%\\O\\",
         "%ProgramFiles%\\O\\orbitron"},
        {"empty", REG_SZ, "", "orbitron"},
        {"no value", REG_NONE, "", "orbitron"},
        {"longer than a command line may be: read whole", REG_SZ, long_folder,
         long_folder + "orbitron"},
    };
    settings::RegistrySettingsStore store;
    for (const Row& row : rows) {
        RegDeleteTreeA(HKEY_CURRENT_USER, kTrackerSettingsKey);
        if (row.type != REG_NONE) {
            ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kTrackerSettingsKey, kTrackerPathValue,
                                      row.type, row.data.c_str(),
                                      static_cast<DWORD>(row.data.size() + 1)),
                      ERROR_SUCCESS);
        }
        EXPECT_EQ(locate(store), row.expected) << row.what;
    }
}

TEST(RegistryStore, AbsentKeyIsCreatedAndANonTextPathIsAnError) {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Stoff");
    settings::RegistrySettingsStore store;
    EXPECT_EQ(locate(store), "orbitron");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kTrackerSettingsKey, 0, KEY_READ, &key),
              ERROR_SUCCESS)
        << "the key was created";
    RegCloseKey(key);

    const DWORD number = 7;
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kTrackerSettingsKey, kTrackerPathValue, REG_DWORD,
                              &number, sizeof number),
              ERROR_SUCCESS);
    try {
        locate(store);
        ADD_FAILURE() << "no error";
    } catch (const SettingsTypeError& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'Path'");
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Stoff");
}

} // namespace
} // namespace dopplex
