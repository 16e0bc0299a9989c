// Record writing and reading against a plain write+sync+rename of the same bytes, and the title
// scan, for a 1 MiB and a 32 MiB page.

#include "RatioReporter.h"
#include "records/PageTitle.h"
#include "records/RecordRead.h"
#include "records/RecordWriter.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

// A page with markup and no title marker until near its end, so the title scan reads it all.
std::string MakePage(std::size_t size) {
    std::string page;
    page.reserve(size);
    while (page.size() + 64 < size) {
        page += "<p>Lorem ipsum dolor sit amet, consectetur adipiscing elit.</p>\r\n";
    }
    page += "<title>End</title>";
    page.resize(size, 'x');
    return page;
}

class BenchDirectory {
public:
    BenchDirectory() {
        m_previous = std::filesystem::current_path();
        m_path =
            std::filesystem::temp_directory_path() / ("varnolt-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(m_path);
        std::filesystem::current_path(m_path);
    }
    ~BenchDirectory() {
        std::filesystem::current_path(m_previous);
        std::filesystem::remove_all(m_path);
    }

private:
    std::filesystem::path m_previous, m_path;
};

void BM_PageTitle(benchmark::State& state) {
    const std::string page = MakePage(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(PageTitle(page));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// The record path: title, date, temporary, sync, rename over the old record.
void BM_RewriteRecord(benchmark::State& state) {
    BenchDirectory dir;
    const std::string page = MakePage(static_cast<std::size_t>(state.range(0)));
    RewriteRecord("http://bench.test/", page, "1.vnt");
    for (auto _ : state) {
        // The check job hands over the page it fetched; copying it here is not the write path.
        state.PauseTiming();
        std::string handedOver = page;
        state.ResumeTiming();
        RewriteRecord("http://bench.test/", std::move(handedOver), "1.vnt");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// The baseline: the same bytes written through a buffered stream, synced, renamed into place.
void PlainWriteRename(const std::string& header, const std::string& page, bool sync) {
    std::FILE* file = std::fopen("plain.tmp", "w");
    std::fwrite(header.data(), 1, header.size(), file);
    std::fwrite(page.data(), 1, page.size(), file);
    std::fflush(file);
    if (sync) {
        fsync(fileno(file));
    }
    std::fclose(file);
    std::rename("plain.tmp", "plain.vnt");
}

void BM_PlainWriteSyncRename(benchmark::State& state) {
    BenchDirectory dir;
    const std::string page = MakePage(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        PlainWriteRename("http://bench.test/|End|8:12:2025*", page, true);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_PlainWriteRenameNoSync(benchmark::State& state) {
    BenchDirectory dir;
    const std::string page = MakePage(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        PlainWriteRename("http://bench.test/|End|8:12:2025*", page, false);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// Reading a whole record the way the check does: the real reader, with no sharing.
void BM_ReadRecord(benchmark::State& state) {
    BenchDirectory dir;
    RewriteRecord("http://bench.test/", MakePage(static_cast<std::size_t>(state.range(0))),
                  "1.vnt");
    for (auto _ : state) {
        std::optional<std::string> text = ReadWholeRecord("1.vnt");
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_PlainRead(benchmark::State& state) {
    BenchDirectory dir;
    RewriteRecord("http://bench.test/", MakePage(static_cast<std::size_t>(state.range(0))),
                  "1.vnt");
    for (auto _ : state) {
        std::FILE* file = std::fopen("1.vnt", "r");
        std::string text;
        text.reserve(static_cast<std::size_t>(state.range(0)) + 64); // measure reading, not growth
        char chunk[1024];
        while (const std::size_t got = std::fread(chunk, 1, sizeof chunk, file)) {
            text.append(chunk, got);
        }
        std::fclose(file);
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

constexpr std::int64_t kOneMiB = 1 << 20;
constexpr std::int64_t kThirtyTwoMiB = 32 << 20;

BENCHMARK(BM_PageTitle)->Arg(kOneMiB)->Arg(kThirtyTwoMiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RewriteRecord)
    ->Arg(kOneMiB)
    ->Arg(kThirtyTwoMiB)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PlainWriteSyncRename)
    ->Arg(kOneMiB)
    ->Arg(kThirtyTwoMiB)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PlainWriteRenameNoSync)
    ->Arg(kOneMiB)
    ->Arg(kThirtyTwoMiB)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ReadRecord)
    ->Arg(kOneMiB)
    ->Arg(kThirtyTwoMiB)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PlainRead)
    ->Arg(kOneMiB)
    ->Arg(kThirtyTwoMiB)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return RunWithRatios(
        argc, argv,
        {{"BM_RewriteRecord/1048576/real_time", "BM_PlainWriteSyncRename/1048576/real_time"},
         {"BM_RewriteRecord/33554432/real_time", "BM_PlainWriteSyncRename/33554432/real_time"},
         {"BM_PlainWriteSyncRename/1048576/real_time",
          "BM_PlainWriteRenameNoSync/1048576/real_time"},
         {"BM_PlainWriteSyncRename/33554432/real_time",
          "BM_PlainWriteRenameNoSync/33554432/real_time"},
         {"BM_ReadRecord/1048576/real_time", "BM_PlainRead/1048576/real_time"},
         {"BM_ReadRecord/33554432/real_time", "BM_PlainRead/33554432/real_time"}});
}
