// SPDX-License-Identifier: MIT
#include "DataRow.h"
#include "LocaleTimeText.h"

#include <QTest>

class TimeTextTest : public QObject
{
    Q_OBJECT

private slots:
    void readsLikeAClock_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("text");
        row("US evening", "en_US", QTime(19, 30, 5), "7:30:05 PM");
        row("US midnight", "en_US", QTime(0, 0, 30), "12:00:30 AM");
        row("US noon", "en_US", QTime(12, 0, 0), "12:00:00 PM");
        row("German", "de_DE", QTime(19, 30, 5), "19:30:05");
        row("zone in front", "zh_CN", QTime(9, 5, 1), "09:05:01");
        const QString persian = QLocale("fa_IR").toString(QTime(19, 30, 5), "H:mm:ss");
        row("zone in brackets", "fa_IR", QTime(19, 30, 5), persian);
    }
    void readsLikeAClock()
    {
        QFETCH(QString, locale);
        QFETCH(QTime, time);
        QFETCH(QString, text);
        QCOMPARE(clockTimeText(time, QLocale(locale)), text);
    }

    // Whatever the locale writes, the zone name never shows and the seconds always do.
    void noLocaleShowsAZone()
    {
        for (const QLocale &locale :
             QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyCountry)) {
            const QString format = clockTimeFormat(locale);
            QVERIFY2(format.contains(u's'), qPrintable(locale.name() + ": " + format));
            QVERIFY2(!format.contains(u't') || format.contains(u'\''),
                     qPrintable(locale.name() + ": " + format));
            QCOMPARE(format, format.trimmed());
        }
    }
};

QTEST_GUILESS_MAIN(TimeTextTest)
#include "tst_timetext.moc"
