#include "cat_radios.h"

namespace dopplex {

CatRadios::~CatRadios() {
    unplug_all();
}

void CatRadios::unplug_all() {
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
    unplug_all();
    for (const Side side : {Side::Rx, Side::Tx}) {
        const auto i = static_cast<std::size_t>(side);
        plug_side(station, side, radios[i], settings[i]);
    }
}

void CatRadios::plug_side(Station& station, Side side, const std::optional<CatAddress>& address,
                          const CatSettings& settings) {
    const auto i = static_cast<int>(side);
    unplug(i);
    station_ = &station;
    if (!address) {
        return;
    }
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
                                        settings);
    p->side->add_observer(&observer_);
    station.set_radio(side, p->side.get());
    plugged_[static_cast<std::size_t>(i)] = std::move(p);
    observer_.radio_plugged(side,
                            std::string(side_name(side)) + " radio: " + side_radio_text(address));
}

} // namespace dopplex
