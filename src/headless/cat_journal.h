// What the CAT radios say, in the journal: a side plugged as information, a fault or a knob turn
// as a notice ("RX: knob +1000 Hz"). Engine thread, like the radios.
#pragma once

#include "cat/cat_radios.h"
#include "journal.h"

#include <string>

namespace dopplex::headless {

class CatJournal final : public CatRadios::Observer {
public:
    explicit CatJournal(Journal& journal) : journal_(journal) {}
    void radio_plugged(Side side, const std::string& line) override;
    void cat_report(Side side, const std::string& line) override;

private:
    Journal& journal_;
};

} // namespace dopplex::headless
