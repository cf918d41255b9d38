// bench_test_server <bytes>
// Serves a generated body of that size at /file.bin from the tests' loopback server, prints
// "port=<n>" and runs until its standard input ends. Shows what that server can deliver.

#include "support/http_test_server.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_test_server <bytes>\n");
        return 2;
    }
    testing_support::HttpTestServer server;
    server.SetRoute("/file.bin",
                    testing_support::HttpRoute::Generated(std::strtoull(argv[1], nullptr, 10)));
    std::printf("port=%u\n", static_cast<unsigned>(server.port()));
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return 0;
}
