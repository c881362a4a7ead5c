// SPDX-License-Identifier: MIT
// The real sound path, from DesktopPlatform through espeak-ng and ALSA, with no sound server to
// reach and ALSA's default output replaced by test configurations: a WAV file, outputs that do not
// exist, and one that stalls. Pacing is tested against a real sound server elsewhere; a file takes
// samples at once.
#include "AudioPlayer.h"
#include "DesktopPlatform.h"
#include "Loudness.h"
#include "SineTone.h"
#include "SoundAnalysis.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <alsa/asoundlib.h>
#include <espeak-ng/speak_lib.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

const QString phrase = QStringLiteral("Now thetime is    7:30:05 PM");
// What "fails quickly" means when no output can be had.
constexpr qint64 quickFailureMs = 1000;

// Samples of a mono 16-bit WAV file at the player's rate; empty when it is anything else.
std::vector<std::int16_t> readWav(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return {};
    auto le16 = [&](qsizetype at) { return quint16(quint8(bytes[at]) | quint8(bytes[at + 1]) << 8); };
    auto le32 = [&](qsizetype at) { return quint32(le16(at) | quint32(le16(at + 2)) << 16); };

    bool formatOk = false;
    for (qsizetype at = 12; at + 8 <= bytes.size();) {
        const QByteArray id = bytes.mid(at, 4);
        const qsizetype size = le32(at + 4);
        const qsizetype body = at + 8;
        if (id == "fmt ") {
            formatOk = size >= 16 && body + 16 <= bytes.size() && le16(body) == 1 && le16(body + 2) == 1 &&
                       le32(body + 4) == AudioPlayer::sampleRate && le16(body + 14) == 16;
        } else if (id == "data" && formatOk) {
            const qsizetype end = std::min(bytes.size(), body + size);
            std::vector<std::int16_t> samples;
            for (qsizetype s = body; s + 1 < end; s += 2)
                samples.push_back(static_cast<std::int16_t>(le16(s)));
            return samples;
        }
        at = body + size + (size & 1);
    }
    return {};
}

// Collects what is written to stderr while it lives.
class StderrCapture
{
public:
    explicit StderrCapture(const QString &path) : m_path(path)
    {
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
    }
    ~StderrCapture() { restore(); }

    QByteArray text()
    {
        restore();
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(capture failed)");
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }

    QString m_path;
    int m_saved = -1;
};

} // namespace

class SoundOutputTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void beepsReachTheOutputAtTheirPitchAndLength();
    void nonsenseBeepIsRefusedBeforeTheOutputIsOpened();
    void speechReachesTheOutput();
    void eachLanguageIsSpokenByItsOwnVoice_data();
    void eachLanguageIsSpokenByItsOwnVoice();
    void everyVoiceSpeaksAlike();
    void speechAndMelodyAreEquallyLoud();
    void missingOutputFailsQuicklyAndQuietly_data();
    void missingOutputFailsQuicklyAndQuietly();
    void stalledOutputIsGivenUpAndReopened();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    void writeConfig(const QString &name, const QString &defaultPcm);
    // Points ALSA at a configuration and makes it read it afresh on the next open.
    void useConfig(const QString &name);

    QTemporaryDir m_dir;
};

void SoundOutputTest::writeConfig(const QString &name, const QString &text)
{
    QFile file(path(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

void SoundOutputTest::useConfig(const QString &name)
{
    // The test's file alone: the system's alsa.conf would load /etc/alsa/conf.d and ~/.asoundrc
    // after it, and a sound server's default there would win over the test's.
    qputenv("ALSA_CONFIG_PATH", QFile::encodeName(path(name)));
    snd_config_update_free_global();
}

void SoundOutputTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    writeConfig(
        "wav.conf",
        QStringLiteral("pcm.!default { type file slave.pcm { type null } file \"%1\" format \"wav\" }\n")
            .arg(path("out.wav")));
    writeConfig("nocard.conf", QStringLiteral("pcm.!default { type hw card \"AlarmTestNoSuchCard\" }\n"));
    writeConfig("noplugin.conf", QStringLiteral("pcm.!default { type alarm_test_no_such_plugin }\n"));
    writeConfig("stalling.conf", QStringLiteral("pcm_type.stalling { lib \"%1\" }\n"
                                                "pcm.!default { type stalling log \"%2\" }\n")
                                     .arg(QStringLiteral(STALLING_PCM_PLUGIN), path("stalling.log")));
    // Before anything reads ALSA's configuration, so that no test can reach a real device, and no
    // sound server either: the player goes to ALSA where none answers.
    qputenv("PULSE_SERVER", QFile::encodeName("unix:" + path("no-such-server")));
    useConfig("wav.conf");
}

void SoundOutputTest::beepsReachTheOutputAtTheirPitchAndLength()
{
    useConfig("wav.conf");
    const std::vector<int> frequencies{500, 650, 800, 950, 950, 800, 650, 500};
    {
        DesktopPlatform platform;
        for (const int frequency : frequencies)
            platform.beep(frequency, 125);
    }
    const auto written = readWav(path("out.wav"));

    // Exactly the samples the tones are made of, in order, nothing lost or doubled.
    std::vector<std::int16_t> expected;
    for (const int frequency : frequencies) {
        const auto tone = sineTone(frequency, 125, AudioPlayer::sampleRate);
        expected.insert(expected.end(), tone.begin(), tone.end());
    }
    QCOMPARE(written.size(), expected.size());
    QVERIFY(written == expected);

    // And each of them heard as the tone asked for.
    const int level = static_cast<int>(toneLevel * 32767);
    const auto tones = sound::loudStretches(written, level / 2, AudioPlayer::sampleRate / 400);
    QCOMPARE(tones.size(), frequencies.size());
    for (std::size_t i = 0; i < tones.size(); ++i) {
        const std::span<const std::int16_t> tone =
            std::span(written).subspan(tones[i].begin, tones[i].size());
        const double frequency = sound::frequency(tone, AudioPlayer::sampleRate);
        const double lengthMs = tone.size() * 1000.0 / AudioPlayer::sampleRate;
        const QByteArray what = QByteArray::number(i) + ": " + QByteArray::number(frequency) + " Hz, " +
                                QByteArray::number(lengthMs) + " ms";
        QVERIFY2(std::abs(frequency - frequencies[i]) < frequencies[i] * 0.01, what.constData());
        QVERIFY2(std::abs(lengthMs - 125) < 125 * 0.05, what.constData());
    }
}

void SoundOutputTest::nonsenseBeepIsRefusedBeforeTheOutputIsOpened()
{
    useConfig("wav.conf");
    QFile::remove(path("out.wav"));
    DesktopPlatform platform;
    QVERIFY_THROWS_EXCEPTION(PlatformError, platform.beep(0, 125));
    QVERIFY_THROWS_EXCEPTION(PlatformError, platform.beep(20000, 125));
    QVERIFY_THROWS_EXCEPTION(PlatformError, platform.beep(800, -1));
    QVERIFY_THROWS_EXCEPTION(PlatformError, platform.beep(800, 3600 * 1000));
    QVERIFY(!QFile::exists(path("out.wav")));
}

void SoundOutputTest::speechReachesTheOutput()
{
    useConfig("wav.conf");
    {
        DesktopPlatform platform;
        const auto voice = platform.createVoice("en");
        voice->Speak(phrase);
    }
    const auto speech = readWav(path("out.wav"));
    const double seconds = double(speech.size()) / AudioPlayer::sampleRate;
    QVERIFY2(seconds > 1 && seconds < 6, qPrintable(QString::number(seconds)));
    QVERIFY2(sound::rms(speech) > 1000, qPrintable(QString::number(sound::rms(speech))));
}

void SoundOutputTest::eachLanguageIsSpokenByItsOwnVoice_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<QString>("voice"); // the language of the voice espeak-ng speaks it with
    QTest::newRow("German") << "de-de"
                            << "Jetzt ist es 19 Uhr 30"
                            << "de";
    QTest::newRow("Austrian German") << "de-at"
                                     << "Jetzt ist es 19 Uhr 30"
                                     << "de";
    QTest::newRow("French") << "fr-fr"
                            << "Il est maintenant 19 heures 30"
                            << "fr";
    QTest::newRow("Spanish") << "es-es"
                             << "Ahora son las 19 y 30"
                             << "es";
    QTest::newRow("American English") << "en-us"
                                      << "Now thetime is    7:30:05 PM"
                                      << "en-us";
    QTest::newRow("no such language") << "xx"
                                      << "Now thetime is    7:30:05 PM"
                                      << "en";
}

// Two voices of different languages in turn, each heard in its own.
void SoundOutputTest::eachLanguageIsSpokenByItsOwnVoice()
{
    QFETCH(QString, language);
    QFETCH(QString, sentence);
    QFETCH(QString, voice);
    useConfig("wav.conf");
    QString spokenBy;
    {
        DesktopPlatform platform;
        const auto wanted = platform.createVoice(language.toStdString());
        const auto other = platform.createVoice(language == "en-us" ? "de" : "en-us");
        other->Speak(QStringLiteral("1"));
        wanted->Speak(sentence);
        // A list of a priority byte and a language name each; the first is the voice's own.
        const espeak_VOICE *current = espeak_GetCurrentVoice();
        QVERIFY(current && current->languages);
        spokenBy = QString::fromUtf8(current->languages + 1);
    }
    QVERIFY2(spokenBy == voice || spokenBy.startsWith(voice + '-'), qPrintable(spokenBy));
    QVERIFY(readWav(path("out.wav")).size() > std::size_t(AudioPlayer::sampleRate));
}

void SoundOutputTest::everyVoiceSpeaksAlike()
{
    // The engine is shared, so a voice must not depend on being the first or the only one.
    useConfig("wav.conf");
    {
        DesktopPlatform platform;
        platform.createVoice("en")->Speak(phrase);
    }
    const auto once = double(readWav(path("out.wav")).size());
    {
        DesktopPlatform platform;
        const auto first = platform.createVoice("en");
        const auto second = platform.createVoice("en");
        second->Speak(phrase);
        first->Speak(phrase);
    }
    const auto twice = double(readWav(path("out.wav")).size());
    QVERIFY(once > 0);
    QVERIFY2(std::abs(twice - 2 * once) < once * 0.05,
             qPrintable(QStringLiteral("%1 %2").arg(once).arg(twice)));
}

void SoundOutputTest::speechAndMelodyAreEquallyLoud()
{
    useConfig("wav.conf");
    {
        DesktopPlatform platform;
        platform.createVoice("en")->Speak(QStringLiteral("      Your   Computertime is    11:59:58 AM"));
    }
    const auto speech = readWav(path("out.wav"));
    {
        DesktopPlatform platform;
        for (const int frequency : {500, 650, 800, 950, 950, 800, 650, 500})
            platform.beep(frequency, 125);
    }
    const auto melody = readWav(path("out.wav"));
    QVERIFY(!speech.empty() && !melody.empty());

    const double speechDb = soundingRmsDbfs(speech, AudioPlayer::sampleRate);
    const double melodyDb = soundingRmsDbfs(melody, AudioPlayer::sampleRate);
    const QByteArray levels = QByteArray::number(speechDb) + " " + QByteArray::number(melodyDb);
    QVERIFY2(std::abs(speechDb - soundRmsDbfs) < 1.0, levels.constData());
    QVERIFY2(std::abs(melodyDb - soundRmsDbfs) < 0.5, levels.constData());
    // Brought up without clipping.
    QVERIFY(sound::peak(speech) <= std::lround(32768 * std::pow(10, speechPeakDbfs / 20)));
}

void SoundOutputTest::missingOutputFailsQuicklyAndQuietly_data()
{
    QTest::addColumn<QString>("config");
    QTest::newRow("no such card") << QStringLiteral("nocard.conf");
    QTest::newRow("no such plugin") << QStringLiteral("noplugin.conf");
}

void SoundOutputTest::missingOutputFailsQuicklyAndQuietly()
{
    QFETCH(QString, config);
    useConfig(config);
    DesktopPlatform platform;
    const auto voice = platform.createVoice("en");

    QElapsedTimer timer;
    StderrCapture stderrOutput(path("stderr.txt"));
    timer.start();
    QVERIFY_THROWS_EXCEPTION(PlatformError, platform.beep(800, 125));
    const qint64 beepMs = timer.restart();
    QVERIFY_THROWS_EXCEPTION(PlatformError, voice->Speak(phrase));
    const qint64 speakMs = timer.elapsed();
    const QByteArray printed = stderrOutput.text();

    QVERIFY2(printed.isEmpty(), printed.constData());
    QVERIFY2(beepMs < quickFailureMs, qPrintable(QString::number(beepMs)));
    QVERIFY2(speakMs < quickFailureMs, qPrintable(QString::number(speakMs)));

    // A failed open is not remembered: once there is an output, the same platform uses it.
    useConfig("wav.conf");
    platform.beep(800, 125);
    voice->Speak(phrase);
}

void SoundOutputTest::stalledOutputIsGivenUpAndReopened()
{
    useConfig("stalling.conf");
    QFile::remove(path("stalling.log"));
    QFile log(path("stalling.log"));
    {
        DesktopPlatform platform;
        // A melody on an output that never plays: the first tone waits out its bound, the rest
        // are refused at once, so the melody as a whole holds its caller for less than a melody
        // and a bit.
        QElapsedTimer timer;
        timer.start();
        int failed = 0;
        for (const int frequency : {500, 650, 800, 950, 950, 800, 650, 500}) {
            try {
                platform.beep(frequency, 125);
            } catch (const PlatformError &) {
                ++failed;
            }
        }
        QCOMPARE(failed, 8);
        QVERIFY2(timer.elapsed() < 1200, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll(), QByteArray("open\nclose\n"));
        log.close();

        // After a short pause the output is tried again, afresh.
        QTest::qWait(AudioPlayer::stallPause.count());
        QVERIFY_THROWS_EXCEPTION(PlatformError, platform.beep(800, 125));
    }
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), QByteArray("open\nclose\nopen\nclose\n"));
}

QTEST_GUILESS_MAIN(SoundOutputTest)
#include "tst_soundoutput.moc"
