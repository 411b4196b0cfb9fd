// Sound: the program's nine clips and the beep, synthesised as WAVE files when first played and played asynchronously.
#include "platform/qt/window_internal.h"

#include <QApplication>
#include <QAudioDevice>
#include <QDir>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTemporaryDir>
#include <QUrl>

#include <atomic>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>

namespace {

constexpr int kRate = 22050;

struct Tone {
    double f0, f1;   // start and end frequency (a chirp when they differ)
    double seconds;
    double gap;      // silence after the tone
};

const std::map<std::wstring, std::vector<Tone>> &ClipRecipes()
{
    static const std::map<std::wstring, std::vector<Tone>> recipes = {
        {L"SOUND_RING", {{880, 880, 0.25, 0.05}, {880, 880, 0.25, 0}}},
        {L"SOUND_RING_2S", {{880, 880, 0.4, 0.1}, {880, 880, 0.4, 0.1}, {880, 880, 0.4, 0.1}, {880, 880, 0.4, 0.1}}},
        {L"SOUND_RESULT", {{660, 660, 0.12, 0.03}, {990, 990, 0.18, 0}}},
        {L"SOUND_GPSWARNING", {{1200, 500, 0.5, 0.05}, {1200, 500, 0.5, 0}}},
        {L"BETWEENSOUND", {{600, 600, 0.15, 0}}},
        {L"LEFTRIGHTSOUND", {{400, 1200, 0.2, 0}, {1200, 400, 0.2, 0}}},
        {L"LEFTSOUND", {{400, 400, 0.2, 0}}},
        {L"RIGHTSOUND", {{1200, 1200, 0.2, 0}}},
        {L"RINGINSOUND", {{500, 1500, 0.3, 0}}},
        {L"BEEP", {{1000, 1000, 0.1, 0}}},
    };
    return recipes;
}

QByteArray MakeWave(const std::vector<Tone> &tones)
{
    std::vector<int16_t> samples;
    for (const Tone &t : tones) {
        int n = (int)(t.seconds * kRate);
        double phase = 0;
        for (int i = 0; i < n; ++i) {
            double f = t.f0 + (t.f1 - t.f0) * i / std::max(1, n - 1);
            phase += 2 * M_PI * f / kRate;
            double env = std::min(1.0, std::min(i, n - 1 - i) / (0.005 * kRate));  // soft edges, no clicks
            samples.push_back((int16_t)(std::sin(phase) * env * 12000));
        }
        samples.insert(samples.end(), (size_t)(t.gap * kRate), 0);
    }
    QByteArray out;
    auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) out.append((char)((v >> (8 * i)) & 0xFF)); };
    auto u16 = [&](uint16_t v) { out.append((char)(v & 0xFF)); out.append((char)(v >> 8)); };
    uint32_t dataBytes = (uint32_t)(samples.size() * 2);
    out.append("RIFF");
    u32(36 + dataBytes);
    out.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(kRate);
    u32(kRate * 2);
    u16(2);
    u16(16);
    out.append("data");
    u32(dataBytes);
    out.append((const char *)samples.data(), (int)dataBytes);
    return out;
}

std::mutex soundLock;
std::vector<std::wstring> soundLog;
std::vector<std::wstring> playedLog;
std::atomic<bool> holdPlaying{false};
std::map<std::wstring, QString> clipFiles;
std::unique_ptr<QTemporaryDir> clipFolder;  // removed with its files when the program ends
std::map<std::wstring, QSoundEffect *> effects;
int audioState = -1;  // -1 unknown, 0 no device, 1 device present

bool AudioAvailable()
{
    if (audioState < 0) audioState = QMediaDevices::defaultAudioOutput().isNull() ? 0 : 1;
    return audioState == 1;
}

void StopAll()
{
    for (auto &e : effects) e.second->stop();
}

bool AnyPlaying()
{
    if (holdPlaying) return true;
    for (auto &e : effects)
        if (e.second->isPlaying()) return true;
    return false;
}

// The WAVE file of a clip, written on its first use (no files at all without an audio device).
QString ClipFile(const std::wstring &name)
{
    auto known = clipFiles.find(name);
    if (known != clipFiles.end()) return known->second;
    auto recipe = ClipRecipes().find(name);
    if (recipe == ClipRecipes().end()) return {};
    if (!clipFolder) clipFolder = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("fieldlogger-sounds-XXXXXX")));
    if (!clipFolder->isValid()) return {};
    QString path = clipFolder->filePath(QString::fromStdWString(name) + QStringLiteral(".wav"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(MakeWave(recipe->second)) < 0) return {};
    f.close();
    clipFiles[name] = path;
    return path;
}

BOOL Play(const std::wstring &name, DWORD flags)
{
    if (ClipRecipes().find(name) == ClipRecipes().end()) return FALSE;
    if ((flags & SND_NOSTOP) && AnyPlaying()) return FALSE;
    {
        std::lock_guard<std::mutex> g(soundLock);
        playedLog.push_back(name);
    }
    if (!AudioAvailable()) return TRUE;
    const QString file = ClipFile(name);
    if (file.isEmpty()) return FALSE;
    StopAll();
    QSoundEffect *&e = effects[name];
    if (!e) {
        e = new QSoundEffect(qApp);
        e->setSource(QUrl::fromLocalFile(file));
    }
    e->play();
    return TRUE;
}

}  // namespace

BOOL PlaySound(const wchar_t *name, HINSTANCE, DWORD flags)
{
    std::wstring n = name ? name : L"";
    {
        std::lock_guard<std::mutex> g(soundLock);
        if (name) soundLog.push_back(n);
    }
    if (!QCoreApplication::instance()) return name ? TRUE : TRUE;
    if (!IsUserInterfaceThread()) {
        RunOnUiThread([n, flags] {
            if (n.empty()) StopAll();
            else Play(n, flags);
        });
        return TRUE;
    }
    if (!name || (flags & SND_PURGE)) {
        StopAll();
        return TRUE;
    }
    return Play(n, flags);
}

int MessageBeep(UINT)
{
    {
        std::lock_guard<std::mutex> g(soundLock);
        soundLog.push_back(L"BEEP");
    }
    if (!QCoreApplication::instance()) return TRUE;
    RunOnUiThread([] { Play(L"BEEP", 0); });
    return TRUE;
}

std::vector<std::wstring> PlatformSoundLog()
{
    std::lock_guard<std::mutex> g(soundLock);
    return soundLog;
}

std::vector<std::wstring> PlatformPlayedSounds()
{
    std::lock_guard<std::mutex> g(soundLock);
    return playedLog;
}

void PlatformHoldSoundPlaying(bool hold) { holdPlaying = hold; }
