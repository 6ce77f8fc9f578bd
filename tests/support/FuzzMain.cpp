// Stand-alone driver for the fuzz targets when they are not built with libFuzzer: runs the target
// over every file of the seed folders given on the command line, then over a fixed number of
// deterministic mutations of those seeds (byte flips, truncations, insertions, repeats). That keeps
// every parser's hostile-input path in the ordinary test run; the libFuzzer build explores further.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::string> LoadSeeds(int argc, char** argv) {
    std::vector<std::string> seeds;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path p(argv[i]);
        if (std::filesystem::is_directory(p)) {
            for (auto& e : std::filesystem::recursive_directory_iterator(p)) {
                if (!e.is_regular_file()) continue;
                std::ifstream f(e.path(), std::ios::binary);
                seeds.emplace_back(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
            }
        }
    }
    if (seeds.empty()) seeds.emplace_back();
    return seeds;
}

std::string Mutate(const std::string& seed, std::mt19937& rng) {
    std::string s = seed;
    int steps = 1 + rng() % 4;
    for (int k = 0; k < steps; ++k) {
        switch (rng() % 5) {
        case 0: // flip a byte
            if (!s.empty()) s[rng() % s.size()] = static_cast<char>(rng());
            break;
        case 1: // cut the tail
            if (!s.empty()) s.resize(rng() % s.size());
            break;
        case 2: // insert random bytes
            s.insert(s.empty() ? 0 : rng() % s.size(), std::string(1 + rng() % 8, static_cast<char>(rng())));
            break;
        case 3: // repeat a slice
            if (!s.empty()) {
                size_t at = rng() % s.size(), len = 1 + rng() % (s.size() - at);
                s.insert(at, s.substr(at, len));
            }
            break;
        default: // set a byte to an extreme value
            if (!s.empty()) s[rng() % s.size()] = (rng() % 2) ? '\xff' : '\0';
            break;
        }
    }
    return s;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> seeds = LoadSeeds(argc, argv);
    const char* env = std::getenv("TNX_FUZZ_RUNS");
    long runs = env ? std::atol(env) : 20000;
    std::mt19937 rng(12345);
    for (const std::string& s : seeds)
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(s.data()), s.size());
    for (long i = 0; i < runs; ++i) {
        std::string m = Mutate(seeds[rng() % seeds.size()], rng);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(m.data()), m.size());
    }
    std::printf("%zu seeds, %ld mutations: no crash\n", seeds.size(), runs);
    return 0;
}
