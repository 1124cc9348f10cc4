// One TCP listening socket whose clients send command lines and read one answer per line, as
// Hamlib's network daemons do; a line ends at LF, CR or CRLF. Up to kMaxClients at a time; a
// newcomer beyond that pushes out a client that has ended no line since it connected (Hamlib's
// clients speak at once), the longest silent first, else the one whose last line is oldest: clients
// that hold a place, say nothing, trickle bytes or speak now and then never keep a reconnecting
// tracker out. The clients of the user who runs the listener on this machine go last, and only
// for another of theirs. A client of another user of this machine is turned away unless allowed;
// so is one whose address is not in the endpoint's allow list, with Hamlib's "rejected" answer.
// Each refusal is a word to `refused`: once a minute per address for the allow list, once a
// minute for the others with a count of those not told, so that clients retrying cannot flood
// the journal. A line over kMaxLineBytes drops its client; a client that does not read its
// answers is not read from either, so nothing grows. Driven by the caller's poll loop on one
// thread; throws std::runtime_error when it cannot listen.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <vector>

#include "hamlib/hamlib_options.h"
#include "hamlib/hamlib_reply.h"

namespace dopplex::tracker {

class LineListener {
public:
    static constexpr std::size_t kMaxLineBytes = 512;
    static constexpr std::size_t kMaxClients = 32;
    using Answer = std::function<HamlibReply(std::string_view line)>;
    // Makes the answerer of one client, when it is let in.
    using ClientAnswer = std::function<Answer()>;
    using Refused = std::function<void(const std::string& why)>;

    LineListener(const Endpoint& endpoint, ClientAnswer answer, bool allow_other_users = false,
                 Refused refused = {});
    ~LineListener();
    LineListener(const LineListener&) = delete;
    LineListener& operator=(const LineListener&) = delete;

    // The address as bound, such as 127.0.0.1:4532, and whether only this machine reaches it.
    const std::string& address() const { return address_; }
    bool loopback() const { return loopback_; }

    void add_poll_fds(std::vector<pollfd>& fds) const;
    // Accepts, reads, answers and drops clients for the entries of fds that are ours.
    void serve(const std::vector<pollfd>& fds);

private:
    struct Client {
        std::string in;
        std::string out;
        bool closing = false;
        bool after_cr = false; // a LF right after a CR ends no second line
        bool spoke = false;    // has ended a line
        bool owners = false;   // of the user who runs the listener, from this machine
        std::chrono::steady_clock::time_point active; // when it connected or last ended a line
        Answer answer;
    };
    using Clients = std::map<int, Client>;
    void accept_clients();
    bool welcome(int fd, const sockaddr_storage& peer); // false: turned away
    bool receive(int fd, Client& client);               // false: drop the client
    bool flush(int fd, Client& client);                 // false: drop the client
    void drop(int fd);
    void drop_hung_up();
    // The client a newcomer may push out when every place is taken, or end().
    Clients::iterator place_to_free(bool newcomer_owners);
    void tell_refused(const std::string& why, std::chrono::steady_clock::time_point now);
    static std::string client_text(int fd); // the client's address, as refusals name it

    ClientAnswer answer_;
    int listen_fd_ = -1;
    std::string address_;
    bool loopback_ = false;
    bool allow_other_users_;
    AllowList allow_;
    Refused refused_;
    std::string last_refused_; // the address last told of, and when
    std::chrono::steady_clock::time_point last_refused_at_;
    std::chrono::steady_clock::time_point burst_told_at_; // the last refusal told of a burst
    bool burst_told_ = false;
    int untold_ = 0; // refusals and push-outs since, not told
    Clients clients_;
};

} // namespace dopplex::tracker
