// SPDX-License-Identifier: MIT
// Compares formatPrintNumber with the C library's %.7G, shaped into a number
// field, for every one of the 2^32 float bit patterns, on all cores. Prints
// the number of mismatches (and the first few) and exits non-zero on any.
#include "ascii_writer.h"
#include "reference_number_field.h"

#include <atomic>
#include <bit>
#include <chrono>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

int main() {
    std::setlocale(LC_ALL, "C");
    constexpr std::uint64_t total = std::uint64_t{1} << 32;
    constexpr std::uint64_t block = std::uint64_t{1} << 20;
    std::atomic<std::uint64_t> nextBlock{0};
    std::atomic<std::uint64_t> mismatches{0};
    std::mutex reportLock;
    std::vector<std::string> examples;

    auto work = [&] {
        char mine[32];
        char theirs[32];
        for (;;) {
            const std::uint64_t start = nextBlock.fetch_add(block);
            if (start >= total)
                return;
            std::uint64_t local = 0;
            for (std::uint64_t bits = start; bits < start + block; ++bits) {
                const float x = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
                const std::size_t a = scanmill::formatPrintNumber(x, mine);
                const std::size_t b = scanmill::testing::referenceNumberField(x, theirs);
                if (a == b && std::memcmp(mine, theirs, a) == 0)
                    continue;
                ++local;
                std::lock_guard lock(reportLock);
                if (examples.size() < 20) {
                    char line[128];
                    std::snprintf(line, sizeof line, "0x%08llx: '%.*s' expected '%.*s'",
                                  static_cast<unsigned long long>(bits), static_cast<int>(a), mine,
                                  static_cast<int>(b), theirs);
                    examples.emplace_back(line);
                }
            }
            mismatches += local;
        }
    };

    const auto began = std::chrono::steady_clock::now();
    const unsigned threadCount = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < threadCount; ++i)
        threads.emplace_back(work);
    for (auto& t : threads)
        t.join();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();

    for (const auto& e : examples)
        std::printf("%s\n", e.c_str());
    std::printf("%llu float bit patterns compared on %u threads in %.0f s: %llu mismatches\n",
                static_cast<unsigned long long>(total), threadCount, seconds,
                static_cast<unsigned long long>(mismatches.load()));
    return mismatches == 0 ? 0 : 1;
}
