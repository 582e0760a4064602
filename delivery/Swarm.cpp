#include "Swarm.h"

#include <algorithm>
#include <deque>
#include <sstream>

namespace delivery {

namespace {

// Partners a viewer connects to itself: the rest of its room is for those that connect to it, or
// viewers that join a swarm whose members have all filled up with each other would find no room.
constexpr size_t kMaxOutgoing = kMaxPartners / 2;
// A partner's connection that has not completed by then is given up.
constexpr int64_t kConnectTimeoutMs = 3000;
// How long the swarm's loop waits for its sockets before it looks at its clock again.
constexpr int kPollMs = 20;
// Leaving waits this long at most for the tracker to hear of it.
constexpr int64_t kLeaveTimeoutMs = 1000;
// A tracker's answer is a few short lines.
constexpr size_t kMaxTrackerAnswer = 16 << 10;
// What a partner's requests may put in its queue before the rest waits for the queue to drain.
constexpr size_t kServeAhead = 64 << 10;

std::string LastSegment(const std::string& path)
{
    const size_t query = std::min(path.find('?'), path.size());
    const size_t slash = path.rfind('/', query);
    return path.substr(slash == std::string::npos ? 0 : slash + 1, query - (slash == std::string::npos ? 0 : slash + 1));
}

}  // namespace

struct CSwarm::Link {
    uint32_t id = 0;
    net::Socket socket = net::kNoSocket;
    net::Endpoint endpoint;  // where the partner takes connections; port 0 when it takes none
    bool connecting = false;
    bool outgoing = false;
    bool shookHands = false;  // its HANDSHAKE came
    bool dead = false;
    int64_t openedAt = 0;
    CFrameReader reader;
    Bytes unsent;
    std::set<uint32_t> has;
    bool chokedUs = false;
    std::deque<uint32_t> asked;  // its requests, in order
};

struct CSwarm::TrackerCall {
    net::Socket socket = net::kNoSocket;
    std::string request;
    size_t sent = 0;
    std::string answer;
    int64_t deadline = 0;
    bool connected = false;
    bool leaving = false;
};

CSwarm::CSwarm(Settings settings, Deliver deliver, Clock clock)
    : m_settings(std::move(settings)), m_channel(LastSegment(m_settings.path)), m_deliver(std::move(deliver)),
      m_clock(std::move(clock)), m_upload(m_clock(), m_settings.uploadBytesPerSecond)
{
}

CSwarm::~CSwarm()
{
    for (auto& [id, link] : m_links)
        net::Close(link->socket);
    if (m_tracker)
        net::Close(m_tracker->socket);
    net::Close(m_listener);
}

CSwarm::Counters CSwarm::Totals() const
{
    Counters totals;
    totals.fromSeed = m_fromSeed;
    totals.fromPartners = m_fromPartners;
    totals.toPartners = m_toPartners;
    totals.onTime = m_onTime;
    totals.late = m_late;
    totals.dropped = m_dropped;
    totals.joinMs = m_joinMs;
    return totals;
}

CSwarm::Outcome CSwarm::Run(const std::atomic<bool>& stop)
{
    if (!net::Startup())
        return Refused;
    m_listener = net::Listen(m_settings.loopbackOnly, m_listenPort);
    Outcome outcome = Stopped;
    m_runStart = m_clock();
    StartTrackerCall(false);
    while (!stop && !m_deliveryRefused) {
        std::vector<net::Watch> watches;
        std::vector<Link*> watched;
        if (m_listener != net::kNoSocket)
            watches.push_back({m_listener, false});
        if (m_tracker)
            watches.push_back({m_tracker->socket, m_tracker->sent < m_tracker->request.size()});
        for (auto& [id, link] : m_links) {
            watches.push_back({link->socket, link->connecting || !link->unsent.empty()});
            watched.push_back(link.get());
        }
        net::Poll(watches, kPollMs);
        size_t at = 0;
        if (m_listener != net::kNoSocket && watches[at++].readable)
            Accept();
        if (m_tracker) {
            const net::Watch& watch = watches[at++];
            DriveTracker(watch.writable || watch.failed);
        }
        if (!m_tracker && !m_started) {
            outcome = Refused;  // the tracker could not be reached, or gave no start
            break;
        }
        for (Link* link : watched) {
            const net::Watch& watch = watches[at++];
            if (!link->dead)
                Pump(*link, watch.readable || watch.failed, watch.writable || watch.failed);
        }
        Tick();
        for (auto it = m_links.begin(); it != m_links.end();)
            it = it->second->dead ? m_links.erase(it) : std::next(it);
        if (m_started && !m_links.count(kSeed)) {
            if (m_seedLost) {
                outcome = Ended;
                break;
            }
            m_seedLost = true;
            ConnectTo(kSeed, {m_settings.server.address, m_seedPort});
        }
        if (!m_tracker && m_clock() >= m_nextAnnounce)
            StartTrackerCall(false);
        if (m_started && m_clock() - m_lastDelivery > kStallMs) {
            outcome = Stalled;
            break;
        }
    }
    for (auto& [id, link] : m_links)
        Drop(*link, false);
    m_links.clear();
    // Told, the tracker hands the viewer to nobody else at once; untold, it forgets it after a while.
    if (m_tracker)
        net::Close(m_tracker->socket);
    m_tracker.reset();
    if (m_started)
        StartTrackerCall(true);
    for (const int64_t leaveBy = m_clock() + kLeaveTimeoutMs; m_tracker && m_clock() < leaveBy;) {
        std::vector<net::Watch> watches{{m_tracker->socket, m_tracker->sent < m_tracker->request.size()}};
        net::Poll(watches, kPollMs);
        DriveTracker(watches[0].writable || watches[0].failed);
    }
    return outcome;
}

void CSwarm::StartTrackerCall(bool leaving)
{
    const int64_t now = m_clock();
    m_tracker = std::make_unique<TrackerCall>();
    m_tracker->leaving = leaving;
    m_tracker->deadline = now + kTrackerTimeoutMs;
    std::ostringstream request;
    request << "GET " << m_settings.path << (leaving ? "/leave?port=" : "/announce?port=") << m_listenPort;
    if (!leaving)
        request << "&received=" << m_fromPartners.load() << "&sent=" << m_toPartners.load();
    request << " HTTP/1.0\r\nHost: " << net::ToText(m_settings.server) << "\r\n\r\n";
    m_tracker->request = request.str();
    m_tracker->socket = net::Connect(m_settings.server);
    m_nextAnnounce = now + kAnnounceEveryMs;
    if (m_tracker->socket == net::kNoSocket)
        m_tracker.reset();
}

void CSwarm::DriveTracker(bool writable)
{
    TrackerCall& call = *m_tracker;
    bool failed = m_clock() > call.deadline, ended = false;
    if (!call.connected && writable && !failed)
        failed = !(call.connected = net::Connected(call.socket));
    while (call.connected && !failed && call.sent < call.request.size()) {
        const long sent = net::Send(call.socket, reinterpret_cast<const uint8_t*>(call.request.data()) + call.sent,
                                    call.request.size() - call.sent);
        failed = sent < 0;
        if (sent <= 0)
            break;
        call.sent += static_cast<size_t>(sent);
    }
    while (call.connected && !failed && call.sent == call.request.size()) {
        uint8_t buffer[4096];
        const long received = net::Receive(call.socket, buffer, sizeof(buffer));
        ended = received < 0;  // HTTP/1.0: the answer ends where the server closes
        if (received <= 0)
            break;
        call.answer.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(received));
        failed = call.answer.size() > kMaxTrackerAnswer;
    }
    if (!failed && !ended)
        return;
    net::Close(call.socket);
    const std::string answer = std::move(call.answer);
    const bool leaving = call.leaving;
    m_tracker.reset();
    const size_t body = answer.find("\r\n\r\n");
    const bool answered = !failed && (answer.compare(0, 9, "HTTP/1.0 ") == 0 || answer.compare(0, 9, "HTTP/1.1 ") == 0) &&
                          answer.compare(9, 4, "200 ") == 0 && body != std::string::npos;
    if (answered && !leaving)
        TakeTrackerAnswer(answer.substr(body + 4));
}

void CSwarm::TakeTrackerAnswer(const std::string& answer)
{
    std::istringstream lines(answer);
    std::string line;
    long long seed = -1, start = -1, edge = -1;
    std::vector<net::Endpoint> peers;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string word, value;
        if (!(words >> word >> value))
            continue;
        char* end = nullptr;
        const long long number = std::strtoll(value.c_str(), &end, 10);
        const bool isNumber = *end == '\0' && !value.empty() && number >= 0 && number <= 0xFFFFFFFFLL;
        net::Endpoint peer;
        if (word == "seed" && isNumber && number > 0 && number <= 65535)
            seed = number;
        else if (word == "start" && isNumber)
            start = number;
        else if (word == "edge" && isNumber)
            edge = number;
        else if (word == "peer" && net::ParseEndpoint(value, peer) && peers.size() < kMaxPartners)
            peers.push_back(peer);
    }
    if (seed < 0 || (!m_started && start < 0))
        return;
    m_seedPort = static_cast<uint16_t>(seed);
    if (!m_started) {
        m_window.StartAt(static_cast<uint32_t>(start));
        m_joinEdge = static_cast<uint32_t>(std::max(start, edge));
        m_started = true;
        m_lastDelivery = m_clock();
    }
    if (!m_links.count(kSeed) && !m_seedLost)
        ConnectTo(kSeed, {m_settings.server.address, m_seedPort});
    for (const net::Endpoint& peer : peers)
        if (!IsPartnerKnown(peer) && !m_banned.count(peer) &&
            std::find(m_offered.begin(), m_offered.end(), peer) == m_offered.end())
            m_offered.push_back(peer);
}

bool CSwarm::IsPartnerKnown(const net::Endpoint& endpoint) const
{
    for (const auto& [id, link] : m_links)
        if (id != kSeed && link->endpoint == endpoint)
            return true;
    return false;
}

size_t CSwarm::PartnerCount() const
{
    return m_links.size() - m_links.count(kSeed);
}

void CSwarm::ConnectTo(uint32_t id, const net::Endpoint& endpoint)
{
    const net::Socket socket = net::Connect(endpoint);
    if (socket == net::kNoSocket)
        return;
    auto link = std::make_unique<Link>();
    link->id = id;
    link->socket = socket;
    link->endpoint = endpoint;
    link->connecting = link->outgoing = true;
    link->openedAt = m_clock();
    m_links[id] = std::move(link);
}

void CSwarm::Accept()
{
    net::Endpoint from;
    const net::Socket socket = net::Accept(m_listener, from);
    if (socket == net::kNoSocket)
        return;
    if (PartnerCount() >= kMaxPartners) {
        net::Close(socket);
        return;
    }
    auto link = std::make_unique<Link>();
    link->id = m_nextId++;
    link->socket = socket;
    link->endpoint = {from.address, 0};  // its listening port comes with its handshake
    link->openedAt = m_clock();
    Link& accepted = *link;
    m_links[accepted.id] = std::move(link);
    Greet(accepted);
}

void CSwarm::Greet(Link& link)
{
    Send(link, Handshake{m_settings.fingerprint, m_listenPort, m_channel});
    if (link.id == kSeed) {
        // What is already signed is asked for at once: the seed sends its batches first, and waiting for
        // them would cost the start a round trip.
        const uint32_t start = m_window.PlayPoint(), end = std::min(m_joinEdge, uint32_t(start + kMaxRequest));
        if (m_playStart < 0 && end > start) {
            Send(link, Request{{start, uint16_t(end - start)}});
            for (uint32_t id = start; id < end; ++id)
                m_outstanding.push_back({id, kSeed, m_clock()});
        }
        return;  // the seed has everything
    }
    if (m_key)
        Send(link, Key{m_keyDer});
    for (const Batch& batch : m_window.Batches())
        Send(link, batch);
    for (const ChunkRange& range : m_window.Held())
        Send(link, Have{range});
}

void CSwarm::Pump(Link& link, bool readable, bool writable)
{
    if (link.connecting) {
        if (!writable)
            return;
        if (!net::Connected(link.socket))
            return Drop(link, false);
        link.connecting = false;
        Greet(link);
    }
    if (writable && !link.unsent.empty()) {
        const long sent = net::Send(link.socket, link.unsent.data(), link.unsent.size());
        if (sent < 0)
            return Drop(link, false);
        link.unsent.erase(link.unsent.begin(), link.unsent.begin() + sent);
    }
    // A bounded share of the loop for each partner, so that one that sends fast starves none.
    for (int reads = 0; readable && reads < 8 && !link.dead; ++reads) {
        uint8_t buffer[16 << 10];
        const long received = net::Receive(link.socket, buffer, sizeof(buffer));
        if (received < 0)
            return Drop(link, false);
        if (received == 0)
            break;
        for (size_t at = 0; at < static_cast<size_t>(received) && !link.dead;) {
            at += link.reader.Feed(buffer + at, static_cast<size_t>(received) - at);
            Message message;
            CFrameReader::State state = CFrameReader::Pending;
            while (!link.dead && (state = link.reader.Next(message)) == CFrameReader::Ready)
                Handle(link, message);
            if (state == CFrameReader::Broken)
                return Drop(link, true);
        }
    }
}

void CSwarm::Handle(Link& link, Message& message)
{
    if (!link.shookHands) {
        const Handshake* handshake = std::get_if<Handshake>(&message);
        if (!handshake || handshake->fingerprint != m_settings.fingerprint || handshake->channel != m_channel)
            return Drop(link, link.id != kSeed);
        link.shookHands = true;
        if (link.id == kSeed) {
            m_seedLost = false;
            return;
        }
        link.endpoint.port = handshake->listenPort;
        const auto sameEndpoint = [&](const auto& other) {
            return other.first != kSeed && other.second->endpoint == link.endpoint;
        };
        if (link.endpoint.port &&
            (m_banned.count(link.endpoint) || std::count_if(m_links.begin(), m_links.end(), sameEndpoint) > 1))
            Drop(link, false);  // banned, or already a partner over another connection
        return;
    }
    std::visit(
        [&](auto& body) {
            using Body = std::decay_t<decltype(body)>;
            if constexpr (std::is_same_v<Body, Handshake>) {
                Drop(link, true);
            } else if constexpr (std::is_same_v<Body, Key>) {
                if (!m_key) {
                    m_key = CChannelKey::Accept(body.der, m_settings.fingerprint);
                    if (!m_key)
                        return Drop(link, true);
                    m_keyDer = body.der;
                    SendToPartners(body, &link);
                }
            } else if constexpr (std::is_same_v<Body, Batch>) {
                if (!m_key || !m_window.WouldTake(body))
                    return;  // worth nothing before the key, which the seed sends first, or told already
                if (!m_key->Verifies(BatchSignedText(body), body.signature))
                    return Drop(link, true);
                if (m_window.AddBatch(body))
                    SendToPartners(body, &link);
            } else if constexpr (std::is_same_v<Body, Have>) {
                for (uint64_t id = body.first; id < uint64_t(body.first) + body.count; ++id)
                    if (m_window.InWindow(id))
                        link.has.insert(static_cast<uint32_t>(id));
            } else if constexpr (std::is_same_v<Body, Request>) {
                if (link.asked.size() + body.count > kMaxRequest)
                    return Drop(link, true);  // more outstanding than any partner may ask: a flood
                for (uint32_t i = 0; i < body.count; ++i)
                    link.asked.push_back(body.first + i);
            } else if constexpr (std::is_same_v<Body, Cancel>) {
                link.asked.erase(std::remove_if(link.asked.begin(), link.asked.end(),
                                                [&](uint32_t id) { return id - body.first < body.count; }),
                                 link.asked.end());
            } else if constexpr (std::is_same_v<Body, Data>) {
                HandleData(link, body);
            } else if constexpr (std::is_same_v<Body, Choke>) {
                link.chokedUs = true;
            } else {
                link.chokedUs = false;
            }
        },
        message);
}

void CSwarm::HandleData(Link& link, Data& data)
{
    const auto asked = std::find_if(m_outstanding.begin(), m_outstanding.end(), [&](const OutstandingRequest& r) {
        return r.chunk == data.chunk && r.partner == link.id;
    });
    // A partner sends only what it was asked for; the seed also pushes the swarm's first copies.
    if (asked == m_outstanding.end() && link.id != kSeed)
        return;
    const uint32_t id = data.chunk;
    const Digest digest = Sha256(data.bytes);
    switch (m_window.AddChunk(id, std::move(data.bytes), digest)) {
    case CChunkWindow::Verified:
        (link.id == kSeed ? m_fromSeed : m_fromPartners) += kChunkBytes;
        ForgetRequests([&](const OutstandingRequest& r) { return r.chunk == id; });
        SendToPartners(Have{{id, 1}});
        break;
    case CChunkWindow::Mismatch:
        Drop(link, true);
        break;
    case CChunkWindow::Unexpected:
        if (asked != m_outstanding.end())
            m_outstanding.erase(asked);
        break;
    }
}

void CSwarm::Drop(Link& link, bool ban)
{
    if (link.dead)
        return;
    link.dead = true;
    if (ban) {
        ++m_dropped;
        m_banned.insert(link.endpoint);
    }
    net::Close(link.socket);
    link.socket = net::kNoSocket;
    ForgetRequests([&](const OutstandingRequest& r) { return r.partner == link.id; });
}

void CSwarm::ForgetRequests(const std::function<bool(const OutstandingRequest&)>& which)
{
    m_outstanding.erase(std::remove_if(m_outstanding.begin(), m_outstanding.end(), which), m_outstanding.end());
}

void CSwarm::Send(Link& link, const Message& message)
{
    if (link.dead)
        return;
    const Bytes frame = Format(message);
    if (link.unsent.empty() && !link.connecting) {
        const long sent = net::Send(link.socket, frame.data(), frame.size());
        if (sent < 0)
            return Drop(link, false);
        link.unsent.assign(frame.begin() + sent, frame.end());
    } else {
        link.unsent.insert(link.unsent.end(), frame.begin(), frame.end());
    }
    if (link.unsent.size() > kMaxUnsent)
        Drop(link, false);
}

void CSwarm::SendToPartners(const Message& message, const Link* except)
{
    for (auto& [id, link] : m_links)
        if (id != kSeed && link.get() != except && link->shookHands)
            Send(*link, message);
}

void CSwarm::Serve(Link& link)
{
    while (!link.dead && !link.asked.empty() && link.unsent.size() < kServeAhead) {
        const Bytes* chunk = m_window.Chunk(link.asked.front());
        if (!chunk) {
            link.asked.pop_front();  // no longer held, or never: the partner asks elsewhere
            continue;
        }
        constexpr uint32_t kDataFrame = kFrameHeaderBytes + 1 + 4 + kChunkBytes;
        if (!m_upload.TrySend(kDataFrame, m_clock()))
            return;
        Send(link, Data{link.asked.front(), *chunk});
        m_toPartners += kChunkBytes;
        link.asked.pop_front();
    }
}

int64_t CSwarm::Due(uint32_t streamTime) const
{
    return m_playStart < 0 ? m_clock() : m_playStart + (int64_t(streamTime) - int64_t(m_playStartTime));
}

// A chunk is due when its first byte plays, that is when the one before it ends.
uint32_t CSwarm::StartTime(uint32_t id, uint32_t streamTime) const
{
    const std::optional<uint32_t> previous = id > 0 ? m_window.StreamTime(id - 1) : std::optional<uint32_t>();
    return previous.value_or(streamTime);
}

void CSwarm::DeliverVerified()
{
    for (;;) {
        const uint32_t id = m_window.PlayPoint();
        const uint32_t startTime = StartTime(id, m_window.StreamTime(id).value_or(0));
        std::optional<Bytes> bytes = m_window.TakeNext();
        if (!bytes)
            return;
        const int64_t now = m_clock();
        if (m_playStart < 0) {
            m_playStart = now;
            m_playStartTime = startTime;
            m_joinMs = now - m_runStart;
        }
        (now <= Due(startTime) ? m_onTime : m_late)++;
        m_lastDelivery = now;
        if (!m_deliver(bytes->data(), bytes->size())) {
            m_deliveryRefused = true;
            return;
        }
    }
}

void CSwarm::RequestMissing()
{
    const int64_t now = m_clock();
    std::vector<WantedChunk> wanted;
    for (const CChunkWindow::MissingChunk& chunk : m_window.Missing())
        wanted.push_back({chunk.id, Due(StartTime(chunk.id, chunk.streamTime))});
    std::vector<PartnerState> partners;
    for (auto& [id, link] : m_links) {
        if (link->dead || link->connecting || !link->shookHands)
            continue;
        for (auto it = link->has.begin(); it != link->has.end() && *it < m_window.WindowStart();)
            it = link->has.erase(it);
        const auto outstanding = std::count_if(m_outstanding.begin(), m_outstanding.end(),
                                               [&](const OutstandingRequest& r) { return r.partner == id; });
        partners.push_back({id, std::vector<uint32_t>(link->has.begin(), link->has.end()), link->chokedUs,
                            static_cast<uint32_t>(outstanding)});
    }
    const std::vector<PlannedRequest> plan = PlanRequests(now, wanted, partners, m_outstanding);
    for (const PlannedRequest& request : plan) {
        ForgetRequests([&](const OutstandingRequest& r) { return r.chunk == request.chunk; });
        m_outstanding.push_back({request.chunk, request.partner, now});
        Send(*m_links[request.partner], Request{{request.chunk, 1}});
    }
}

void CSwarm::Tick()
{
    const int64_t now = m_clock();
    for (auto& [id, link] : m_links)
        if (link->connecting && now - link->openedAt > kConnectTimeoutMs)
            Drop(*link, false);
    const auto outgoing = [this] {
        return std::count_if(m_links.begin(), m_links.end(),
                             [](const auto& link) { return link.first != kSeed && link.second->outgoing; });
    };
    while (m_started && PartnerCount() < kMaxPartners && size_t(outgoing()) < kMaxOutgoing && !m_offered.empty()) {
        const net::Endpoint peer = m_offered.back();
        m_offered.pop_back();
        if (!IsPartnerKnown(peer) && !m_banned.count(peer))
            ConnectTo(m_nextId++, peer);
    }
    DeliverVerified();
    if (!m_started)
        return;
    RequestMissing();
    for (auto& [id, link] : m_links)
        if (id != kSeed)
            Serve(*link);
}

}  // namespace delivery
