#include "app/Log.h"

#include <cstdio>

namespace {
TLogSink& Sink() {
    static TLogSink sink;
    return sink;
}
} // namespace

void LogLine(const std::string& line) {
    if (Sink()) {
        Sink()(line);
        return;
    }
    std::fprintf(stderr, "rollix: %s\n", line.c_str());
}

void SetLogSink(TLogSink sink) {
    Sink() = std::move(sink);
}
