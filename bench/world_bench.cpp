// Benchmarks of the game's start-up work: making the world and checking the pictures.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "game_state.h"
#include "render.h"
#include "world.h"

static void BM_GenerateWorld(benchmark::State &state) {
    unsigned seed = 1;
    for (auto _ : state) {
        std::srand(seed++);
        generate_world();
        benchmark::DoNotOptimize(strand_vertices[STRAND_VERTICES - 1]);
    }
    state.SetItemsProcessed(state.iterations() * STRANDS);
}
BENCHMARK(BM_GenerateWorld)->Unit(benchmark::kMillisecond);

static void BM_CheckIntroPicture(benchmark::State &state) {
    std::string path = std::string(HAYSTACK_DATA_DIR) + "/introa.tga";
    for (auto _ : state)
        benchmark::DoNotOptimize(tga_file_is_sane(path.c_str()));
}
BENCHMARK(BM_CheckIntroPicture)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
