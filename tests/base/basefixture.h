#pragma once
// Small helpers for the library program's tests: scratch folders, tiny tagged audio files.
#include "common/library/libraryfile.h"
#include "common/playlistfile/m3u.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <condition_variable>
#include <map>
#include <mutex>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace basetest {

// A 128-byte ID3v1 block with the given texts (cut or zero-padded to their fields).
QByteArray id3v1(const QByteArray& title, const QByteArray& artist, const QByteArray& album = {},
                 const QByteArray& year = {}, const QByteArray& comment = {}, int genre = 255);
// Writes bytes to a file, creating its folders.
void writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

// A record with the given texts.
wc::TBaseEntry entry(const QString& artist, const QString& title, const QString& file = {},
                     quint32 ms = 0);

// A probe for the worker threads: each measurement waits for a permit the test hands out,
// and every call is counted per file.
class GatedProbe final : public wc::FileDurationMs {
public:
    qint32 durationMs(const QString& f) override {
        std::unique_lock l(m_);
        ++held_;
        cv_.wait(l, [&] { return permits_ > 0; });
        --held_;
        --permits_;
        ++calls_[f];
        return f.endsWith(".bad") ? -1 : 1000 + qint32(f.size()); // ".bad": cannot be measured
    }
    void allow(int n) {
        {
            std::lock_guard l(m_);
            permits_ += n;
        }
        cv_.notify_all();
    }
    std::map<QString, int> calls() {
        std::lock_guard l(m_);
        return calls_;
    }
    // Measurements waiting for a permit.
    int held() {
        std::lock_guard l(m_);
        return held_;
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    int permits_ = 0;
    int held_ = 0;
    std::map<QString, int> calls_;
};

} // namespace basetest
