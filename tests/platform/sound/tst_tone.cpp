// SPDX-License-Identifier: MIT
#include "DataRow.h"
#include "Platform.h"
#include "SineTone.h"
#include "SoundAnalysis.h"

#include <QTest>

#include <climits>

namespace {
constexpr int rate = 22050;
const int level = static_cast<int>(toneLevel * 32767);
} // namespace

class ToneTest : public QObject
{
    Q_OBJECT

private slots:
    void hasTheAskedLengthAndPitch_data();
    void hasTheAskedLengthAndPitch();
    void fadesInAndOut();
    void veryShortToneStillStartsAndEndsSilent();
    void rejectsNonsense_data();
    void rejectsNonsense();
};

void ToneTest::hasTheAskedLengthAndPitch_data()
{
    columns<int>({"frequency", "durationMs", "sampleRate", "expectedSamples"});

    QTest::newRow("alarm beep") << 500 << 125 << rate << 2756;
    QTest::newRow("highest alarm beep") << 950 << 125 << rate << 2756;
    QTest::newRow("high pitch") << 4000 << 300 << rate << 6615;
    QTest::newRow("other rate") << 440 << 250 << 8000 << 2000;
    QTest::newRow("longest") << 1000 << toneMaxDurationMs << rate << 220500;
}

void ToneTest::hasTheAskedLengthAndPitch()
{
    QFETCH(int, frequency);
    QFETCH(int, durationMs);
    QFETCH(int, sampleRate);
    QFETCH(int, expectedSamples);

    const auto tone = sineTone(frequency, durationMs, sampleRate);
    QCOMPARE(tone.size(), std::size_t(expectedSamples));
    const double measured = sound::frequency(tone, sampleRate);
    QVERIFY2(std::abs(measured - frequency) < frequency * 0.005, qPrintable(QString::number(measured)));
    // Full level in the middle, and never clipped.
    QVERIFY(std::abs(sound::peak(tone) - level) <= level / 50);
}

void ToneTest::fadesInAndOut()
{
    const auto tone = sineTone(500, 125, rate);
    const std::span<const std::int16_t> all(tone);
    const std::size_t ms = rate / 1000;

    QCOMPARE(tone.front(), 0);
    QVERIFY(std::abs(tone.back()) < level / 50);
    // Quiet in the first and last millisecond, full by the end of the fade.
    QVERIFY(sound::peak(all.first(ms)) < level / 10);
    QVERIFY(sound::peak(all.last(ms)) < level / 10);
    QVERIFY(sound::peak(all.subspan(toneFadeMs * ms, 3 * ms)) > level * 95 / 100);
    QVERIFY(sound::peak(all.subspan(all.size() - (toneFadeMs + 3) * ms, 3 * ms)) > level * 95 / 100);
}

void ToneTest::veryShortToneStillStartsAndEndsSilent()
{
    const auto tone = sineTone(950, 3, rate);
    QCOMPARE(tone.size(), std::size_t(66));
    QCOMPARE(tone.front(), 0);
    QVERIFY(std::abs(tone.back()) < level / 50);
    QVERIFY(sound::peak(tone) <= level);
    QVERIFY(sound::peak(tone) > level / 2);
}

void ToneTest::rejectsNonsense_data()
{
    columns<int>({"frequency", "durationMs"});

    QTest::newRow("zero frequency") << 0 << 125;
    QTest::newRow("negative frequency") << -500 << 125;
    QTest::newRow("at half the sample rate") << rate / 2 << 125;
    QTest::newRow("ultrasonic") << 30000 << 125;
    QTest::newRow("largest frequency") << INT_MAX << 125;
    QTest::newRow("zero duration") << 500 << 0;
    QTest::newRow("negative duration") << 500 << -125;
    QTest::newRow("too long") << 500 << toneMaxDurationMs + 1;
    QTest::newRow("largest duration") << 500 << INT_MAX;
}

void ToneTest::rejectsNonsense()
{
    QFETCH(int, frequency);
    QFETCH(int, durationMs);
    QVERIFY_THROWS_EXCEPTION(PlatformError, sineTone(frequency, durationMs, rate));
}

QTEST_GUILESS_MAIN(ToneTest)
#include "tst_tone.moc"
