// How the counts reach the window: the document's fetch from the service, and the tips they make.
#include <gtest/gtest.h>

#include "CountsDocument.h"
#include "LocalHttpServer.h"
#include "MessagePump.h"
#include "TestHelpers.h"
#include "channels/ChannelTips.h"
#include "channels/OnlineCounts.h"
#include "config/DocumentFetch.h"

namespace {

// A count of any length makes a tip of at most 80 bytes, never cut inside a character.
TEST(CountTipTest, ALongCountIsCutAtACharactersEnd)
{
    const std::string prefix = "当前在线人数：", suffix = ".双击收看";
    const struct { std::string count, shown; } cases[] = {
        {"1234", "1234"},
        {std::string(10000, '9'), std::string(kMaxCountBytes, '9')},
        {std::string(kMaxCountBytes - 1, '9') + "人", std::string(kMaxCountBytes - 1, '9')},
        {std::string(kMaxCountBytes - 2, '9') + "人", std::string(kMaxCountBytes - 2, '9') + "人"},
    };
    for (const auto& c : cases) {
        const CString tip = MakeCountTip(c.count.c_str());
        EXPECT_EQ(std::string(tip, tip.GetLength()), prefix + c.shown + suffix) << c.count.size();
        EXPECT_LE(tip.GetLength(), 80);
    }
}

// The limit covers the whole exchange; the slack is for a machine under load.
constexpr DWORD kLimitWithSlackMs = config::kFetchTimeLimitMs + 2000;

// What the service's documents come through: any fault of the server is no document, within the limit.
TEST(DocumentFetchTest, EveryServerFaultIsNoDocumentWithinTheLimit)
{
    using Delivery = CLocalHttpServer::Delivery;
    const std::string document = Document(Records(Numbers(kCountedChannels, 20)));
    CLocalHttpServer server;
    const unsigned short nRefusing = CLocalHttpServer().Port();
    server.ServeStream("/drip", document, 1);  // a byte a second
    const struct { const char* name; Delivery delivery; bool bFetched; } cases[] = {
        {"whole", Delivery::Whole, true},           {"reset half way", Delivery::HalfThenClose, false},
        {"half, then silence", Delivery::HalfThenSilence, false}, {"no answer", Delivery::Silence, false},
        {"server error", Delivery::ServerError, false},          {"redirect loop", Delivery::RedirectToItself, false},
        {"status line, headers and body trickled", Delivery::Trickle, false},
    };
    for (const auto& c : cases) {
        server.Serve(std::string("/") + c.name, document, c.delivery);
        const DWORD start = ::GetTickCount();
        const std::optional<std::string> fetched = config::FetchDocument((server.Origin() + "/" + c.name).c_str());
        EXPECT_EQ(fetched.has_value(), c.bFetched) << c.name;
        EXPECT_LE(::GetTickCount() - start, kLimitWithSlackMs) << c.name;
    }
    const CStalledPort stalled;
    for (const std::string& address : {server.Origin() + "/missing", server.Origin() + "/drip", std::string(),
                                       stalled.Origin() + "/counts",
                                       "http://127.0.0.1:" + std::to_string(nRefusing) + "/counts", std::string("file:///c:/x")}) {
        const DWORD start = ::GetTickCount();
        EXPECT_FALSE(config::FetchDocument(address.c_str()).has_value()) << address;
        EXPECT_LE(::GetTickCount() - start, kLimitWithSlackMs) << address;
    }
}

// A fetch that has ended is taken by the next refresh even when the window never got its notice, so
// that a lost or late message cannot stop the counts for good.
TEST(OnlineCountsTest, ARefreshTakesTheEndedFetchWhoseNoticeNeverCame)
{
    const Strings counts = Numbers(kCountedChannels, 70);
    CLocalHttpServer server;
    server.Serve("/counts", Document(Records(counts)));
    CScratchFiles files;
    const std::string ini = files.Write("[XML]\r\nXML=" + server.Origin() + "/counts\r\n");
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));  // for the XML component
    COnlineCounts online;
    EXPECT_TRUE(PumpUntil([&] {
        online.Refresh(ini.c_str(), nullptr);  // nothing is told when it ends
        return online.Counts().GetSize() == kCountedChannels;
    }, config::kFetchTimeLimitMs));
    EXPECT_EQ(ToEntries(online.Counts()), counts);
    ::CoUninitialize();
}

}  // namespace
