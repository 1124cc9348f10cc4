#include "cat_radios.h"

namespace dopplex::headless {

CatRadios::~CatRadios() {
    for (int i : {0, 1}) {
        unplug(i);
    }
}

void CatRadios::unplug(int index) {
    std::shared_ptr<Plugged>& p = plugged_[static_cast<std::size_t>(index)];
    if (!p) {
        return;
    }
    if (station_) {
        station_->set_radio(static_cast<Side>(index), nullptr);
    }
    p->side.reset();
    p->link.reset(); // its reader has ended: nothing more is posted
    p.reset();
}

void CatRadios::plug(Station& station, const std::array<std::optional<CatAddress>, 2>& radios,
                     const std::array<CatSettings, 2>& settings) {
    for (int i : {0, 1}) {
        unplug(i);
    }
    station_ = &station;
    for (int i : {0, 1}) {
        const auto& address = radios[static_cast<std::size_t>(i)];
        if (!address) {
            continue;
        }
        const auto side = static_cast<Side>(i);
        auto p = std::make_shared<Plugged>();
        // What the reader posts finds the side only while it is plugged.
        const std::weak_ptr<Plugged> weak = p;
        p->link = std::make_unique<TcpLink>(
            address->host, address->port,
            [this, weak](std::string bytes) {
                loop_.post(EventKind::Link, [weak, bytes] {
                    if (const auto q = weak.lock(); q && q->side) {
                        q->side->received(bytes);
                    }
                });
            },
            [this, weak](std::string why) {
                loop_.post(EventKind::Link, [weak, why] {
                    if (const auto q = weak.lock(); q && q->side) {
                        q->side->dropped(why);
                    }
                });
            });
        p->side = std::make_unique<CatSide>(loop_, side, *address, *p->link, station.radio_target(),
                                            settings[static_cast<std::size_t>(i)]);
        p->side->add_observer(this);
        station.set_radio(side, p->side.get());
        plugged_[static_cast<std::size_t>(i)] = std::move(p);
        journal_.info(std::string(side_name(side)) + " radio: " + side_radio_text(address));
    }
}

CatSide* CatRadios::side(Side side) const {
    const auto& p = plugged_[static_cast<std::size_t>(side)];
    return p ? p->side.get() : nullptr;
}

void CatRadios::cat_report(Side side, const std::string& line) {
    journal_.notice(std::string(side_name(side)) + ": " + line);
}

} // namespace dopplex::headless
