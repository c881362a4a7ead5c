// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class QDialog;
class QToolButton;

// A title bar of the program's own around a fixed-size window or box. On Wayland the compositor may
// leave the title bar to the program, and Qt's own then always offers to maximise, whatever the
// window's size. This one shows the window's icon and its caption as it changes, lets the user move
// the window by it, and offers only to minimise and to close; it keeps the size of what it holds.
class DecoratedFrame : public QWidget
{
    Q_OBJECT

public:
    // Takes content in below the title bar. Closing the frame closes the content first.
    explicit DecoratedFrame(QWidget *content);

    // Runs a modal dialog inside a frame of its own and returns its result, as QDialog::exec does.
    static int exec(QDialog &dialog);

    // Whether windows here get their title bar from us: under Wayland, not under X11, where the
    // window manager draws it and leaves out what a fixed-size window cannot do.
    static bool needed();

    QToolButton *minimiseButton() const { return m_minimise; }
    QToolButton *closeButton() const { return m_close; }

    static constexpr int kBorder = 1;
    static constexpr int kTitleHeight = 24;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QRect titleRect() const;
    void fitContent();

    QWidget *m_content;
    QToolButton *m_minimise;
    QToolButton *m_close;
};
