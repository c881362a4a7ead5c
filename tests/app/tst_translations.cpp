// SPDX-License-Identifier: MIT
#include "WindowDriver.h"
#include "app/Translation.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <algorithm>

// The window, its boxes and its voice in the session's language.
class TranslationsTest : public WindowDriver
{
    Q_OBJECT

    // Chooses the session's language as the program does at start-up.
    static void useLocale(const QString &name)
    {
        QLocale::setDefault(QLocale(name));
        translation::load(QLocale());
    }

    // The width a control has for its caption: inside a label's frame, or a button's face.
    static int roomFor(QWidget *control)
    {
        auto *button = qobject_cast<QPushButton *>(control);
        if (!button)
            return control->contentsRect().width();
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
    }

    static QString captionOf(QWidget *control)
    {
        if (auto *button = qobject_cast<QPushButton *>(control))
            return button->text();
        return qobject_cast<QLabel *>(control)->text();
    }

    QList<QWidget *> captioned() const
    {
        return {window->Details, window->Shutdown, window->Alarmon, window->Alarmoff,
                window->Label1,  window->Label2,   window->Label3,  window->Label5};
    }

    static int inkWidth(QWidget *control)
    {
        return control->fontMetrics().boundingRect(captionOf(control)).width();
    }

    QHash<QString, int> roomForCaptions()
    {
        useLocale(QStringLiteral("en_US"));
        open();
        QHash<QString, int> room;
        for (QWidget *control : captioned())
            room[control->objectName()] = std::max(roomFor(control), inkWidth(control));
        return room;
    }

private slots:
    void cleanup()
    {
        reset();
        useLocale(QStringLiteral("en_US"));
    }

    void everyCaptionFitsItsControl_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("onButton"); // ON's caption, to see the translation is in use
        QTest::newRow("English") << "en_US"
                                 << "ON";
        QTest::newRow("German") << "de_DE"
                                << "EIN";
        QTest::newRow("French") << "fr_FR"
                                << "ON";
        QTest::newRow("Spanish") << "es_ES"
                                 << "ON";
    }

    // Measured against the control, or against the design's own English caption where that
    // already fills its control to the last pixel ("AM / PM").
    void everyCaptionFitsItsControl()
    {
        QFETCH(QString, locale);
        QFETCH(QString, onButton);
        QHash<QString, int> room = roomForCaptions();
        useLocale(locale);
        QCOMPARE(open(QTime(23, 59, 59)).Alarmon->text(), onButton);
        for (QWidget *control : captioned()) {
            const QString caption = captionOf(control);
            const int width = inkWidth(control);
            QVERIFY2(width <= room[control->objectName()],
                     qPrintable(QStringLiteral("%1: \"%2\" is %3 pixels, room for %4")
                                    .arg(control->objectName(), caption)
                                    .arg(width)
                                    .arg(room[control->objectName()])));
        }
    }

    void theTimeIsSpokenInTheListenersLanguage_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("spoken");
        QTest::addColumn<QString>("voice");
        QTest::newRow("German") << "de_DE" << QTime(19, 30) << "Jetzt ist es 19 Uhr 30"
                                << "de-de";
        QTest::newRow("German, one o'clock") << "de_AT" << QTime(1, 0) << "Jetzt ist es ein Uhr"
                                             << "de-at";
        QTest::newRow("French") << "fr_FR" << QTime(7, 5) << "Il est maintenant 7 heures 5"
                                << "fr-fr";
        QTest::newRow("French, midnight") << "fr_CA" << QTime(0, 0) << "Il est maintenant 0 heure"
                                          << "fr-ca";
        QTest::newRow("Spanish") << "es_ES" << QTime(21, 0) << "Ahora son las 21 en punto"
                                 << "es-es";
        QTest::newRow("Spanish, one o'clock") << "es_MX" << QTime(13, 15) << "Ahora son las 13 y 15"
                                              << "es-mx";
        QTest::newRow("Spanish, a quarter past one") << "es_ES" << QTime(1, 15) << "Ahora es la una y 15"
                                                     << "es-es";
        // English says the time as the window shows it; so does every language without a
        // translation, in an English voice.
        QTest::newRow("English") << "en_US" << QTime(19, 30) << "Now thetime is    7:30:00 PM"
                                 << "en-us";
        QTest::newRow("C") << "C" << QTime(19, 30) << "Now thetime is    7:30:00 PM"
                           << "en";
        QTest::newRow("Japanese") << "ja_JP" << QTime(19, 30) << "Now thetime is    7:30:00 PM"
                                  << "en";
        QTest::newRow("Portuguese") << "pt_BR" << QTime(19, 30) << "Now thetime is    7:30:00 PM"
                                    << "en";
    }

    void theTimeIsSpokenInTheListenersLanguage()
    {
        QFETCH(QString, locale);
        QFETCH(QTime, time);
        QFETCH(QString, spoken);
        QFETCH(QString, voice);
        useLocale(locale);
        open(time);
        window->Details->click();
        QCOMPARE(platform.calls.mid(1, 2), QStringList({"voice", "speak:" + spoken}));
        QCOMPARE(platform.voiceLanguages, QStringList{voice});
    }

    // The greeting, the ringing alarm and the notices speak and write the same language.
    void everythingTheWindowSaysIsTranslated()
    {
        useLocale(QStringLiteral("de_DE"));
        platform.setTime(19, 30, 0);
        open();
        window->Form_Load();
        QVERIFY(platform.calls[0].startsWith("box:Uhrzeit Ihres Computers:  7:30:00 PM|Wecker stellen"));
        QCOMPARE(platform.calls[2], "speak:Auf Ihrem Computer ist es 19 Uhr 30");

        arm(&Alarm::Alarmon, QTime(19, 31), QTime(19, 30, 50));
        QCOMPARE(window->Alarmoff->toolTip(), "Klicken, um den Wecker auszuschalten.   ");
        tickAt(QTime(19, 31, 0));
        QVERIFY(platform.calls.contains("speak:Jetzt ist es 19 Uhr 31"));
        QCOMPARE(platform.notices.last().notice.summary, "Wecker");
        QCOMPARE(platform.notices.last().notice.actionLabel, "AUS");

        // A translated tooltip scrolls as the English one does; a screen reader reads it whole.
        const QString tip = "Eingestellte Weckzeit   ";
        QCOMPARE(window->Label5->toolTip(), tip);
        moveOver(window->Label5, 3);
        QCOMPARE(window->Label5->toolTip(), tip.mid(3) + tip.left(3));
        QCOMPARE(window->Label5->accessibleDescription(), tip);
    }
};

QTEST_MAIN(TranslationsTest)
#include "tst_translations.moc"
