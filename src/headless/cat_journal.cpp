#include "cat_journal.h"

namespace dopplex::headless {

void CatJournal::radio_plugged(Side, const std::string& line) {
    journal_.info(line);
}

void CatJournal::cat_report(Side side, const std::string& line) {
    journal_.notice(std::string(side_name(side)) + ": " + line);
}

} // namespace dopplex::headless
