// archive_bench.cpp - writes <tree> into <archive> at level 9, <repeat> times, the way the
// build driver does; timing and memory are measured around it by the bench script.
// QUORIX_BENCH_NO_FLUSH=1 leaves out the flush to disk, to see what it costs.
#include <cstdlib>
#include <exception>
#include <iostream>

#include "archive/zip_writer.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: quorix_archive_bench <archive> <tree> [repeat]\n";
        return 2;
    }
    const int repeat = argc > 3 ? std::atoi(argv[3]) : 1;
    try {
        quorix::TZipWriter zw("zw");
        zw.SetCompressionLevel(quorix::TZWCompressionLevel::clMax);
        zw.SetCompressionMode(9);
        const char* noFlush = std::getenv("QUORIX_BENCH_NO_FLUSH");
        zw.Options().flushBuffers = !(noFlush && *noFlush == '1');
        for (int i = 0; i < repeat; ++i) {
            zw.SetFileName(argv[1]);
            zw.OpenNew();
            zw.SetBaseDir(argv[2]);
            zw.BeginUpdate();
            zw.AddMatching("META-INF", 10431, "");
            zw.AddMatching("*.*", 10431, "");
            zw.EndUpdate();
            zw.Close();
        }
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    return 0;
}
