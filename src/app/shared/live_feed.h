// The live readout's source: each tracking text as the tracker sends it, apart from the engine's
// queue, so the readout goes on while a train holds the engine. One interface, a transport's
// way behind it: a second conversation on the socket link (its change notices carry no text, and
// the engine's conversation fetches only when the engine is free), a watch on the DDE link's
// advise loop (its notices carry the text already). Listen on the window's thread; `deliver`
// is called on the feed's own thread.
#pragma once

#include <functional>
#include <string>

namespace dopplex::app {

class LiveFeed {
public:
    using Deliver = std::function<void(const std::string& bytes)>;
    virtual ~LiveFeed() = default;
    // Who hears the texts from now on; nullptr: nobody (returns once no call runs).
    virtual void listen(Deliver deliver) = 0;
};

} // namespace dopplex::app
