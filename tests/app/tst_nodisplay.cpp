// SPDX-License-Identifier: MIT
// The built program, started where no display can be reached, says what is missing and how to run
// it, and exits with status 1 rather than aborting with Qt's advice to reinstall.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestNoDisplay : public QObject
{
    Q_OBJECT

private slots:
    void saysWhatIsMissing_data();
    void saysWhatIsMissing();

private:
    QTemporaryDir m_runtime;
};

namespace {

// An X display number with no server behind it.
QString freeDisplay()
{
    for (int number = 4000;; ++number) {
        if (!QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)) &&
            !QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
            return QStringLiteral(":%1").arg(number);
    }
}

} // namespace

void TestNoDisplay::saysWhatIsMissing_data()
{
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("says");
    QTest::addColumn<bool>("onlyLine");

    const QString unset = QStringLiteral("neither DISPLAY nor WAYLAND_DISPLAY is set");
    const QString display = freeDisplay();
    const QString runtime = QStringLiteral("XDG_RUNTIME_DIR=") + m_runtime.path();
    QTest::newRow("nothing set") << QStringList{} << unset << true;
    QTest::newRow("both empty") << QStringList{"DISPLAY=", "WAYLAND_DISPLAY="} << unset << true;
    QTest::newRow("X asked for") << QStringList{"QT_QPA_PLATFORM=xcb"} << unset << true;
    QTest::newRow("no X server") << QStringList{"DISPLAY=" + display}
                                 << "cannot connect to the display (DISPLAY \"" + display +
                                        "\", WAYLAND_DISPLAY not set)"
                                 << false;
    QTest::newRow("no compositor") << QStringList{"WAYLAND_DISPLAY=alarm-test-none", runtime}
                                   << "cannot connect to the display (DISPLAY not set, WAYLAND_DISPLAY "
                                      "\"alarm-test-none\")"
                                   << false;
    QTest::newRow("Wayland asked for")
        << QStringList{"QT_QPA_PLATFORM=wayland", "WAYLAND_DISPLAY=alarm-test-none", runtime}
        << "cannot connect to the display" << false;
}

void TestNoDisplay::saysWhatIsMissing()
{
    QFETCH(QStringList, environment);
    QFETCH(QString, says);
    QFETCH(bool, onlyLine);

    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    env.insert(QStringLiteral("ALARM_CMD_TEST_NEVER_ACT"), QStringLiteral("1"));
    for (const QString &setting : environment)
        env.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));

    QProcess alarm;
    alarm.setProcessEnvironment(env);
    alarm.start(QStringLiteral(ALARM_PATH), {});
    QVERIFY(alarm.waitForFinished(30000));
    const QString output = QString::fromLocal8Bit(alarm.readAllStandardError());
    QCOMPARE(alarm.exitStatus(), QProcess::NormalExit);
    QCOMPARE(alarm.exitCode(), 1);

    const QStringList lines = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY2(!lines.isEmpty(), "nothing was said");
    QVERIFY2(lines.last().startsWith(QLatin1String("alarm: ")) && lines.last().contains(says) &&
                 lines.last().endsWith(QLatin1String("(ssh -X)")),
             qPrintable(output));
    QVERIFY2(!output.contains(QLatin1String("Reinstalling")), qPrintable(output));
    if (onlyLine)
        QCOMPARE(lines.size(), 1);
}

QTEST_GUILESS_MAIN(TestNoDisplay)
#include "tst_nodisplay.moc"
