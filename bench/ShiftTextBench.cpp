// Times ShiftText against memcpy of the same buffer in the same run and
// prints the throughput ratios.
#include "transform/ShiftText.hpp"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>

namespace {

constexpr std::size_t kSize = 64u << 20;

std::string AsciiText()
{
    static const std::string text = [] {
        std::mt19937 random(1);
        std::string s;
        s.reserve(kSize);
        while (s.size() < kSize) {
            const int lineLength = 20 + static_cast<int>(random() % 60);
            for (int i = 0; i < lineLength; ++i) {
                s += (random() % 6 == 0) ? ' ' : static_cast<char>('a' + random() % 26);
            }
            s += "\r\n";
        }
        s.resize(kSize);
        return s;
    }();
    return text;
}

// GB2312 hanzi (lead B0..F7, trail A1..FE) with full-width punctuation and a
// line end now and then, as Chinese prose has.
std::string ChineseText()
{
    static const std::string text = [] {
        std::mt19937 random(2);
        std::string s;
        s.reserve(kSize + 2);
        while (s.size() < kSize) {
            const int lineLength = 10 + static_cast<int>(random() % 60);
            for (int i = 0; i < lineLength; ++i) {
                if (random() % 12 == 0) {
                    s += "\xA3\xAC";  // full-width comma
                } else {
                    s += static_cast<char>(0xB0 + random() % 0x48);
                    s += static_cast<char>(0xA1 + random() % 0x5E);
                }
            }
            s += "\r\n";
        }
        s.resize(kSize);
        return s;
    }();
    return text;
}

// Random bytes, but for 00 and 01: with them a shift by -2 would change the
// text's length (and a few pairs could not come back), and the in-place and
// check figures would measure a rebuild and an early stop instead.
std::string RandomBytes()
{
    static const std::string bytes = [] {
        std::mt19937_64 random(3);
        std::string s(kSize, '\0');
        for (std::size_t i = 0; i < kSize; i += 8) {
            const std::uint64_t word = random();
            std::memcpy(s.data() + i, &word, 8);
        }
        for (char& c : s) {
            if (static_cast<unsigned char>(c) < 2) {
                c = 2;
            }
        }
        return s;
    }();
    return bytes;
}

template <std::string (*Make)()>
void BM_Memcpy(benchmark::State& state)
{
    const std::string input = Make();
    std::string output(input.size(), '\0');
    for (auto _ : state) {
        std::memcpy(output.data(), input.data(), input.size());
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}

// A fresh string of the same size: what any function returning a new 64 MiB
// text pays for allocating and first touching it.
template <std::string (*Make)()>
void BM_NewCopy(benchmark::State& state)
{
    const std::string input = Make();
    for (auto _ : state) {
        std::string output(input);
        benchmark::DoNotOptimize(output.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}

template <std::string (*Make)()>
void BM_ShiftText(benchmark::State& state)
{
    const std::string input = Make();
    for (auto _ : state) {
        std::string output = quilvane::ShiftText(input, -2);
        benchmark::DoNotOptimize(output.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}

// The transform alone, into a buffer kept between runs as memcpy's is.
template <std::string (*Make)()>
void BM_ShiftTextInto(benchmark::State& state)
{
    const std::string input = Make();
    std::string output;
    quilvane::ShiftTextInto(input, -2, output);
    for (auto _ : state) {
        quilvane::ShiftTextInto(input, -2, output);
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}

// In place, as the file actions shift a document: encrypt, then decrypt.
template <std::string (*Make)()>
void BM_ShiftInPlace(benchmark::State& state)
{
    std::string text = Make();
    int delta = -2;
    for (auto _ : state) {
        quilvane::ShiftInPlace(text, delta);
        delta = -delta;
        benchmark::DoNotOptimize(text.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

template <std::string (*Make)()>
void BM_ShiftComesBack(benchmark::State& state)
{
    const std::string input = Make();
    for (auto _ : state) {
        benchmark::DoNotOptimize(quilvane::ShiftComesBack(input, -2));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}

// Keeps each run's throughput so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto found = run.counters.find("bytes_per_second");
            if (found != run.counters.end()) {
                throughput_[run.run_name.function_name] = found->second.value;
            }
        }
    }

    void PrintRatios() const
    {
        std::printf("\nThroughput relative to memcpy of the same 64 MiB buffer (Random: random bytes without 00 and 01):\n");
        for (const char* input : {"Ascii", "Chinese", "Random"}) {
            const double copy = throughput_.at(std::string("Memcpy/") + input);
            for (const char* what : {"NewCopy", "ShiftText", "ShiftTextInto", "ShiftInPlace", "ShiftComesBack"}) {
                const double value = throughput_.at(std::string(what) + "/" + input);
                std::printf("  %-15s %-8s %7.2f GB/s  = %.2f x memcpy (%.2f GB/s)\n", what, input, value / 1e9,
                            value / copy, copy / 1e9);
            }
        }
    }

private:
    std::map<std::string, double> throughput_;
};

}  // namespace

BENCHMARK(BM_Memcpy<AsciiText>)->Name("Memcpy/Ascii")->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_NewCopy<AsciiText>)->Name("NewCopy/Ascii")->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_ShiftText<AsciiText>)->Name("ShiftText/Ascii")->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_ShiftTextInto<AsciiText>)->Name("ShiftTextInto/Ascii")->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_ShiftInPlace<AsciiText>)->Name("ShiftInPlace/Ascii")->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_ShiftComesBack<AsciiText>)->Name("ShiftComesBack/Ascii")->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_Memcpy<ChineseText>)->Name("Memcpy/Chinese")->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_NewCopy<ChineseText>)->Name("NewCopy/Chinese")->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_ShiftText<ChineseText>)->Name("ShiftText/Chinese")->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_ShiftTextInto<ChineseText>)->Name("ShiftTextInto/Chinese")->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_ShiftInPlace<ChineseText>)->Name("ShiftInPlace/Chinese")->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_ShiftComesBack<ChineseText>)->Name("ShiftComesBack/Chinese")->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_Memcpy<RandomBytes>)->Name("Memcpy/Random")->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_NewCopy<RandomBytes>)->Name("NewCopy/Random")->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_ShiftText<RandomBytes>)->Name("ShiftText/Random")->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_ShiftTextInto<RandomBytes>)->Name("ShiftTextInto/Random")->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_ShiftInPlace<RandomBytes>)->Name("ShiftInPlace/Random")->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_ShiftComesBack<RandomBytes>)->Name("ShiftComesBack/Random")->Unit(benchmark::kMillisecond)->MinTime(0.5);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
