// Reading the channel server's counts document, through the platform's own XML parser.
#include <gtest/gtest.h>

#include "CountsDocument.h"
#include "TestHelpers.h"
#include "channels/ChannelTips.h"
#include "LocalHttpServer.h"
#include "channels/OnlineCounts.h"
#include "config/DocumentFetch.h"

namespace {

class OnlineCountsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ::CoInitialize(nullptr); }
    static void TearDownTestSuite() { ::CoUninitialize(); }

    // The counts of a document given as text, or nothing when it lacks any of them.
    static Strings Read(const std::string& text)
    {
        CComRef<IXMLDOMDocument2> document;
        EXPECT_HRESULT_SUCCEEDED(CreateXmlDocument(document));
        if (!document)
            return {"no parser"};
        COleVariant xml(text.c_str());
        VARIANT_BOOL loaded = VARIANT_FALSE;
        document->loadXML(V_BSTR(&xml), &loaded);
        CString counts[kCountedChannels];
        if (!ReadOnlineCounts(document.Get(), counts))
            return {};
        Strings read;
        for (const CString& count : counts)
            read.emplace_back(count, count.GetLength());
        return read;
    }
};

TEST_F(OnlineCountsTest, TheNinthChildOfEachOfTheFirstRecordsIsItsCount)
{
    const Strings good = Numbers(kCountedChannels, 20), records = Records(good);
    auto with = [](Strings changed, size_t i, const std::string& text) { return changed[i] = text, changed; };
    const struct { const char* name; std::string document; Strings expected; } cases[] = {
        {"compact", Document(records), good},
        {"indented", Document(records, "\r\n    "), good},
        {"more records than channels", Document(Records(Numbers(20, 20))), good},
        // A comment is a child: the ninth child is now the last field.
        {"comment in a record", Document(with(records, 4, Record(good[4], "<!-- c -->"))), with(good, 4, "f7")},
        {"comment between records", Document(records, "<!-- c -->"), {}},
        {"one record short", Document(Records(Numbers(kCountedChannels - 1, 20))), {}},
        {"a record without its count",
         Document(with(records, 6, "<Channel><A/><B/><C/><D/><E/><F/><G/><H/></Channel>")), {}},
        {"empty count", Document(with(records, 9, Record(""))), with(good, 9, "")},
        {"Chinese count", Document(with(records, 2, Record("约一千"))), with(good, 2, "约一千")},
        {"not XML", "<Channels><Channel>", {}},
        {"empty", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Read(c.document), c.expected);
    }
}

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
    };
    for (const auto& c : cases) {
        server.Serve(std::string("/") + c.name, document, c.delivery);
        const DWORD start = ::GetTickCount();
        const std::optional<std::string> fetched = config::FetchDocument((server.Origin() + "/" + c.name).c_str());
        EXPECT_EQ(fetched.has_value(), c.bFetched) << c.name;
        EXPECT_LE(::GetTickCount() - start, config::kFetchTimeLimitMs * 3 / 2) << c.name;
    }
    for (const std::string& address : {server.Origin() + "/missing", server.Origin() + "/drip", std::string(),
                                       "http://127.0.0.1:" + std::to_string(nRefusing) + "/counts", std::string("file:///c:/x")}) {
        const DWORD start = ::GetTickCount();
        EXPECT_FALSE(config::FetchDocument(address.c_str()).has_value()) << address;
        EXPECT_LE(::GetTickCount() - start, config::kFetchTimeLimitMs * 3 / 2) << address;
    }
}

}  // namespace
