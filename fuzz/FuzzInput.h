#pragma once
// Helpers shared by the fuzz targets: inputs are lines of parameters followed by the
// bytes under test, so the seed files stay readable and editable by hand.

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

class TFuzzInput {
public:
    TFuzzInput(const uint8_t* data, size_t size)
        : bytes_(QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))) {
    }

    // The next line without its '\n' (the rest of the input when there is none).
    QByteArray Line() {
        const qsizetype newline = bytes_.indexOf('\n', pos_);
        const qsizetype end = newline < 0 ? bytes_.size() : newline;
        QByteArray line(bytes_.constData() + pos_, end - pos_);
        pos_ = newline < 0 ? bytes_.size() : newline + 1;
        return line;
    }
    // Everything not taken yet, as its own copy.
    QByteArray Rest() {
        QByteArray rest(bytes_.constData() + pos_, bytes_.size() - pos_);
        pos_ = bytes_.size();
        return rest;
    }
    // The next n bytes, zero-padded when the input runs short.
    void Take(void* out, size_t n) {
        char* target = static_cast<char*>(out);
        for (size_t i = 0; i < n; ++i) target[i] = pos_ < bytes_.size() ? bytes_[pos_++] : '\0';
    }

private:
    QByteArray bytes_;
    qsizetype pos_ = 0;
};

// A broken promise of the code under test: say which one and stop, so libFuzzer keeps
// the input as a crash.
#define FUZZ_CHECK(condition, ...)                                    \
    do {                                                              \
        if (!(condition)) {                                           \
            std::fprintf(stderr, "check failed: %s\n  ", #condition); \
            std::fprintf(stderr, __VA_ARGS__);                        \
            std::fprintf(stderr, "\n");                               \
            std::abort();                                             \
        }                                                             \
    } while (0)
