// Every wait of varnolt-cli ends: a page still arriving after --timeout is "Time Out", for check
// and for add, and add fetches its pages side by side yet reports and numbers them in order.

#include "CliProcess.h"
#include "records/DateStamp.h"
#include "support/RawSocketServer.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

// A server that sends a page's head and then one byte every 10 ms for as long as it is read.
RawSocketServer::Session Dripping() {
    return [](RawConnection& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n");
        while (peer.Send("x")) {
            std::this_thread::sleep_for(10ms);
        }
    };
}

// A server that answers a whole page after holding it back until released.
RawSocketServer::Session HeldWhole(std::string page) {
    return [page](RawConnection& peer) {
        peer.ReadRequestHead();
        peer.WaitForRelease();
        peer.Send("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + page);
    };
}

RawSocketServer::Session Whole(std::string page) {
    return [page](RawConnection& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + page);
    };
}

class Deadline : public InTempDirectory {
protected:
    std::vector<std::string> In(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), {"-C", m_workingDirectory.Path()});
        return arguments;
    }
};

} // namespace

TEST_F(Deadline, ACheckedPageStillArrivingAfterTheTimeoutIsTimeOut) {
    RawSocketServer dripping(Dripping());
    RawSocketServer whole(Whole("new page"));
    const std::string stored = dripping.Url("/drip") + "|T|1:1:2025*old";
    WriteWholeFile("1.vnt", stored);
    WriteWholeFile("2.vnt", whole.Url("/whole") + "|T|1:1:2025*old");

    const CliRun run = RunCliProgram(In({"check", "--timeout", "1"}));

    EXPECT_EQ(run.exitStatus, 2) << run.err;
    EXPECT_EQ(run.out,
              "Time Out " + dripping.Url("/drip") + "\nUPDATE " + whole.Url("/whole") + "\n");
    EXPECT_EQ(ReadWholeFile("1.vnt"), stored);
}

TEST_F(Deadline, AnAddedPageStillArrivingAfterTheTimeoutIsTimeOut) {
    RawSocketServer dripping(Dripping());
    RawSocketServer whole(Whole("<p><title>W</title>page"));

    const CliRun run =
        RunCliProgram(In({"add", "--timeout", "1", dripping.Url("/drip"), whole.Url("/whole")}));

    EXPECT_EQ(run.exitStatus, 2) << run.err;
    EXPECT_EQ(run.out, "Time Out " + dripping.Url("/drip") + "\n" + whole.Url("/whole") + "\n");
    EXPECT_EQ(ReadWholeFile("1.vnt"),
              whole.Url("/whole") + "|W|" + DateStamp() + "*<p><title>W</title>page");
    EXPECT_FALSE(FileExists("2.vnt"));
}

// show --fetch keeps the check's deadline: a page still arriving is no reason to wait for ever,
// and the failure says why.
TEST_F(Deadline, AShownPageStillArrivingAfterTheTimeoutIsTimeOut) {
    RawSocketServer dripping(Dripping());
    WriteWholeFile("1.vnt", dripping.Url("/drip") + "|T|1:1:2025*old");

    const CliRun run = RunCliProgram(In({"show", "1", "--fetch", "--timeout", "1"}));

    EXPECT_EQ(run.exitStatus, 2) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "varnolt-cli: the page " + dripping.Url("/drip") +
                           " could not be fetched: Time Out\n");
}

// The first page is held until the second has been fetched: both were on the way together, and
// still the first is stored first.
TEST_F(Deadline, AddFetchesSideBySideAndStoresInTheOrderGiven) {
    RawSocketServer first(HeldWhole("first"));
    RawSocketServer second(Whole("second"));
    CliProcess process(In({"add", first.Url("/1"), second.Url("/2")}));
    const auto giveUp = std::chrono::steady_clock::now() + 30s;
    while ((first.ConnectionCount() == 0 || second.Requests().empty()) &&
           std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(first.ConnectionCount(), 1);
    EXPECT_EQ(second.Requests().size(), 1u) << "the second page waited for the first";
    first.Release();
    const CliRun run = process.Finish();

    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, first.Url("/1") + "\n" + second.Url("/2") + "\n");
    EXPECT_EQ(ReadWholeFile("1.vnt"), first.Url("/1") + "|untitle|" + DateStamp() + "*first");
    EXPECT_EQ(ReadWholeFile("2.vnt"), second.Url("/2") + "|untitle|" + DateStamp() + "*second");
}

TEST_F(Deadline, TheTimeoutMustBeAWholeNumberOfSeconds) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"check", "--timeout", "0"}, "whole number of seconds, 1 or more"},
        {{"check", "--timeout", "x"}, "whole number of seconds, 1 or more"},
        {{"check", "--timeout"}, "1 required SECONDS missing"},
        {{"add", "--timeout=-1", "http://127.0.0.1:1/"}, "whole number of seconds, 1 or more"},
    };
    for (const auto& [arguments, error] : cases) {
        SCOPED_TRACE(arguments[1]);
        const CliRun run = RunCliProgram(In(arguments));
        EXPECT_EQ(run.exitStatus, 2);
        EXPECT_THAT(run.err, ::testing::StartsWith("varnolt-cli: --timeout: "));
        EXPECT_THAT(run.err, ::testing::HasSubstr(error));
        EXPECT_EQ(run.out, "");
    }
}
