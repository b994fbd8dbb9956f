// The one funnel for the library's reports.
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include <kelvane/KVerror.h>

namespace {

void defaultHandler(const char* /*title*/, const char* message) {
    std::fprintf(stderr, "Error: %s\n", message);
    std::fflush(stderr);
}

// Read on every report, possibly from several threads at once.
std::atomic<KVErrorHandler> handler{defaultHandler};

}  // namespace

KVErrorHandler KVsetErrorHandler(KVErrorHandler h) {
    return handler.exchange(h ? h : defaultHandler);
}

void reportError(const char* message) {
    handler.load()("Error", message);
}

void reportFatal(const char* message) {
    reportError(message);
    std::exit(EXIT_FAILURE);
}
