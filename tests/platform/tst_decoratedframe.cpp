// SPDX-License-Identifier: MIT
// The program's own title bar for Wayland: it holds what it frames at that one's size, shows its
// caption as it changes, offers no maximising, and closing it asks what it holds first. Boxes in
// it are run end to end under a compositor (tests/e2e/test_wayland.py).
#include "DecoratedFrame.h"

#include <QCloseEvent>
#include <QTest>
#include <QToolButton>

namespace {

// Content that may refuse to close, as a window with unsaved work would.
class Content : public QWidget
{
public:
    bool refuseClose = false;

protected:
    void closeEvent(QCloseEvent *event) override { event->setAccepted(!refuseClose); }
};

} // namespace

class DecoratedFrameTest : public QObject
{
    Q_OBJECT

private slots:
    void holdsItsContentAtItsSizeWithTheCaption()
    {
        // The frame owns what it holds.
        auto &content = *new Content;
        content.setFixedSize(193, 133);
        content.setWindowTitle("ALARM");
        DecoratedFrame frame(&content);
        const int border = DecoratedFrame::kBorder;
        const int title = DecoratedFrame::kTitleHeight;
        QCOMPARE(frame.size(), QSize(193 + 2 * border, 133 + 2 * border + title));
        QCOMPARE(frame.minimumSize(), frame.maximumSize());
        QCOMPARE(content.geometry(), QRect(border, border + title, 193, 133));
        QCOMPARE(frame.windowTitle(), "ALARM");
        content.setWindowTitle("7:30:05 PM");
        QCOMPARE(frame.windowTitle(), "7:30:05 PM");

        // Minimise and close, both inside the title bar; nothing to maximise with.
        QCOMPARE(frame.findChildren<QToolButton *>(),
                 QList<QToolButton *>({frame.minimiseButton(), frame.closeButton()}));
        for (const QToolButton *button : frame.findChildren<QToolButton *>())
            QVERIFY(QRect(border, border, frame.width() - 2 * border, title).contains(button->geometry()));

        // A box sizes itself as it is shown; the frame follows.
        frame.show();
        content.setFixedSize(300, 90);
        QCOMPARE(frame.size(), QSize(300 + 2 * border, 90 + 2 * border + title));
        QVERIFY(frame.closeButton()->geometry().right() < frame.width() - border);
    }

    void closingAsksTheContentFirst()
    {
        auto &content = *new Content;
        content.setFixedSize(100, 50);
        DecoratedFrame frame(&content);
        frame.show();
        content.refuseClose = true;
        frame.closeButton()->click();
        QVERIFY(frame.isVisible());
        content.refuseClose = false;
        frame.closeButton()->click();
        QVERIFY(!frame.isVisible());
    }
};

QTEST_MAIN(DecoratedFrameTest)
#include "tst_decoratedframe.moc"
