// Viewers passing a live channel on to each other, on loopback: the real client of the demo
// installation in ./swarm beside headless viewers of its first channel, against the demo channel server
// that ./benchmark starts and names in SWARM_ORIGIN, with the headless viewer at VIEWER_EXE. For 1, 5
// and 10 viewers, and for 10 of which 3 are killed halfway, it prints the server's upload over the
// stream's rate, each headless viewer's share of chunks in hand before they were due, and the client's
// channel switches next to those of the installation in ./http, which plays the same channels over
// HTTP alone, beside the same viewers.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "BareFetch.h"
#include "Clock.h"
#include "DialogProbe.h"
#include "LiveClient.h"

namespace {

constexpr DWORD kMeasureMs = 60000;
constexpr DWORD kSettleMs = 3000;
constexpr int kSwitches = 12;
// Long enough for the client's switches, over HTTP and through the swarm, and the measured minute;
// they end on their own.
constexpr int kViewerSeconds = 150;
constexpr double kUploadGoal = 1.5, kContinuityGoal = 0.995, kZapRatioGoal = 1.2;

std::string Origin()
{
    const char* origin = std::getenv("SWARM_ORIGIN");
    return origin ? origin : "";
}

// The installation's first channel, as its channel list names it.
std::string FirstChannel(const std::string& installation)
{
    std::ifstream list(installation + "\\Channel.txt", std::ios::binary);
    std::string first;
    std::getline(list, first, ';');
    return first;
}

// The number after "name=" in a line of such fields, or -1.
double Field(const std::string& line, const std::string& name)
{
    const std::string key = " " + name + "=";
    const size_t at = (" " + line).find(key);
    return at == std::string::npos ? -1 : std::atof(line.c_str() + at + key.size() - 1);
}

// What the server says of the channel's swarm: the bytes its seed has sent, and the stream's rate.
struct ServerFigures {
    double serverBytes = -1, rate = 0;
};

ServerFigures SwarmOf(const std::string& channel)
{
    ServerFigures figures;
    std::istringstream lines(BareFetch(Origin() + "/swarm").value_or(""));
    std::string line;
    while (std::getline(lines, line))
        if (line.rfind(channel + " ", 0) == 0)
            figures = {Field(line, "server_bytes"), Field(line, "rate")};
    return figures;
}

// A headless viewer of the address, its line of figures written to the file when it ends.
class CViewer {
public:
    CViewer(const std::string& address, const std::string& figuresFile) : m_file(figuresFile)
    {
        SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
        HANDLE out = ::CreateFileA(figuresFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0,
                                   nullptr);
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = out;
        std::string command = "\"" + std::string(std::getenv("VIEWER_EXE")) + "\" " + address + " --seconds " +
                              std::to_string(kViewerSeconds) + " --loopback";
        ::CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &m_process.info);
        ::CloseHandle(out);
    }
    void Kill() { ::TerminateProcess(m_process.info.hProcess, 1); }
    // The share of its chunks handed on in time, once it has ended; -1 when it gave none.
    double Continuity()
    {
        if (m_process.Wait((kViewerSeconds + 30) * 1000) == STILL_ACTIVE)
            return -1;
        std::ifstream in(m_file);
        const std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const double nOnTime = Field(line, "on_time"), nLate = Field(line, "late");
        return nOnTime >= 0 && nLate >= 0 && nOnTime + nLate > 0 ? nOnTime / (nOnTime + nLate) : -1;
    }

private:
    std::string m_file;
    Process m_process;
};

// The installation's client, started in its folder, switched between its first two channels.
bool ZapIn(const std::string& installation, Zaps& zaps, const std::function<void(HWND)>& whilePlaying = {})
{
    if (!::SetCurrentDirectoryA(installation.c_str()))
        return false;
    Process client;
    HWND hMain = nullptr;
    Start start{};
    bool bMeasured = StartClient(client, hMain, start);
    if (bMeasured) {
        const CVideoArea area(hMain);
        bMeasured = MeasureZaps(hMain, area, kSwitches, zaps) && zaps.missed == 0;
        if (whilePlaying) {
            DoubleClick(::GetDlgItem(hMain, IDC_CHANNEL0));  // back to the viewers' channel
            whilePlaying(hMain);
        }
    }
    if (hMain != nullptr)
        CloseClient(client, hMain);
    ::SetCurrentDirectoryA("..");
    return bMeasured;
}

bool Scenario(int nViewers, int nKilled)
{
    const std::string address = FirstChannel("swarm");
    const std::string channel = address.substr(address.find("/live/") + 6, address.find('?') - address.find("/live/") - 6);
    std::vector<std::unique_ptr<CViewer>> viewers;
    for (int i = 1; i < nViewers; ++i)
        viewers.push_back(std::make_unique<CViewer>(address, "viewer-" + std::to_string(i) + ".txt"));
    // The switches over HTTP alone beside the same viewers: the machine's load is theirs too.
    Zaps http, zaps;
    const bool bHttpZapped = ZapIn("http", http);
    double upload = -1;
    const bool bZapped = ZapIn("swarm", zaps, [&](HWND) {
        ::Sleep(kSettleMs);
        const ServerFigures before = SwarmOf(channel);
        const double start = Now();
        ::Sleep(nKilled ? kMeasureMs / 2 : kMeasureMs);
        for (int i = 0; i < nKilled; ++i)
            viewers[i]->Kill();
        if (nKilled)
            ::Sleep(kMeasureMs / 2);
        const ServerFigures after = SwarmOf(channel);
        if (before.serverBytes >= 0 && after.rate > 0)
            upload = (after.serverBytes - before.serverBytes) / ((Now() - start) * after.rate);
    });
    std::vector<double> continuity;
    for (size_t i = nKilled; i < viewers.size(); ++i)
        continuity.push_back(viewers[i]->Continuity());
    double worst = 1;
    for (double share : continuity)
        worst = std::min(worst, share);
    Say("%d viewer%s (the client and %d headless)%s, over %lu s: server upload %.2f times the stream's rate (goal at "
        "most %.1f with 10; over HTTP it would be %d)\n", nViewers, nViewers == 1 ? "" : "s", nViewers - 1,
        nKilled ? (", " + std::to_string(nKilled) + " of them killed halfway").c_str() : "", kMeasureMs / 1000, upload,
        kUploadGoal, nViewers);
    if (!continuity.empty()) {
        Say("  continuity of the %zu headless viewers that stayed, chunks in hand before due: worst %.2f %%, median "
            "%.2f %% (goal at least %.1f %%); each:", continuity.size(), worst * 100, Median(continuity) * 100,
            kContinuityGoal * 100);
        for (double share : continuity)
            Say(" %.2f", share * 100);
        Say("\n");
    }
    if (bZapped && bHttpZapped)
        Say("  zap, %zu switches: through the swarm median %.0f ms, worst %.0f ms; over HTTP alone median %.0f ms, worst "
            "%.0f ms; ratio %.2f (goal at most %.1f); median to the second channel %.0f ms, back to the viewers' %.0f "
            "ms\n", zaps.AllMs().size(), zaps.MedianMs(), zaps.WorstMs(), http.MedianMs(), http.WorstMs(),
            zaps.MedianMs() / http.MedianMs(), kZapRatioGoal, Median(zaps.towardsMs[0]), Median(zaps.towardsMs[1]));
    return bZapped && bHttpZapped && upload >= 0 && worst >= 0;
}

}  // namespace

int main()
{
    if (Origin().empty() || !std::getenv("VIEWER_EXE")) {
        Say("SWARM_ORIGIN and VIEWER_EXE are ./benchmark's to give\n");
        return 1;
    }
    bool bMeasured = true;
    for (const auto& [nViewers, nKilled] : {std::pair{1, 0}, std::pair{5, 0}, std::pair{10, 0}, std::pair{10, 3}})
        bMeasured = Scenario(nViewers, nKilled) && bMeasured;
    return bMeasured ? 0 : 1;
}
