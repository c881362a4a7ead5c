// SPDX-License-Identifier: MIT
#include "DecoratedFrame.h"

#include <QDialog>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QWindow>

namespace {

QToolButton *titleButton(QWidget *parent, const QString &glyph, const QString &name)
{
    auto *button = new QToolButton(parent);
    button->setText(glyph);
    button->setAccessibleName(name);
    button->setToolTip(name);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    const int side = DecoratedFrame::kTitleHeight - 4;
    button->setFixedSize(side, side);
    return button;
}

} // namespace

DecoratedFrame::DecoratedFrame(QWidget *content)
    : m_content(content), m_minimise(titleButton(this, QStringLiteral("\u2212"), tr("Minimise"))),
      m_close(titleButton(this, QStringLiteral("\u00d7"), tr("Close")))
{
    // No title bar from Qt or the compositor; this one takes its place.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowTitle(content->windowTitle());
    setWindowIcon(content->windowIcon());

    content->setParent(this);
    content->move(kBorder, kBorder + kTitleHeight);
    content->installEventFilter(this);
    fitContent();
    connect(m_minimise, &QToolButton::clicked, this, &QWidget::showMinimized);
    connect(m_close, &QToolButton::clicked, this, &QWidget::close);

    // The caption blinks in the content; the frame shows it and hands it on to the compositor.
    connect(content, &QWidget::windowTitleChanged, this, [this](const QString &title) {
        setWindowTitle(title);
        update(titleRect());
    });
}

bool DecoratedFrame::needed()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

int DecoratedFrame::exec(QDialog &dialog)
{
    DecoratedFrame frame(&dialog);
    // A box that waits for an answer is closed, not put away.
    frame.m_minimise->hide();
    frame.setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    dialog.show();
    frame.show();
    loop.exec();
    frame.hide();
    dialog.setParent(nullptr);
    return dialog.result();
}

void DecoratedFrame::fitContent()
{
    setFixedSize(m_content->size() + QSize(2 * kBorder, 2 * kBorder + kTitleHeight));
    const int top = kBorder + (kTitleHeight - m_close->height()) / 2;
    m_close->move(width() - kBorder - 2 - m_close->width(), top);
    m_minimise->move(m_close->x() - 2 - m_minimise->width(), top);
}

bool DecoratedFrame::eventFilter(QObject *watched, QEvent *event)
{
    // A box sizes itself to its text only as it is shown.
    if (watched == m_content && event->type() == QEvent::Resize)
        fitContent();
    return false;
}

void DecoratedFrame::closeEvent(QCloseEvent *event)
{
    // What it holds decides: a box closed this way is turned down, as by Escape.
    event->setAccepted(m_content->close());
}

QRect DecoratedFrame::titleRect() const
{
    return {kBorder, kBorder, width() - 2 * kBorder, kTitleHeight};
}

void DecoratedFrame::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    const QRect title = titleRect();
    const int iconSide = 16;
    const QRect icon(title.left() + 4, title.top() + (title.height() - iconSide) / 2, iconSide, iconSide);
    windowIcon().paint(&painter, icon);

    // Centred over the whole bar when it fits, as a caption is; between icon and buttons at most.
    const int buttons = (m_minimise->isHidden() ? m_close : m_minimise)->x();
    const QRect room(icon.right() + 4, title.top(), buttons - 4 - (icon.right() + 4), title.height());
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    const QString text = painter.fontMetrics().elidedText(windowTitle(), Qt::ElideRight, room.width());
    QRect centred = painter.fontMetrics().boundingRect(text);
    centred.moveCenter(title.center());
    if (centred.left() < room.left())
        centred.moveLeft(room.left());
    if (centred.right() > room.right())
        centred.moveRight(room.right());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(centred.left(), title.top(), centred.width(), title.height()), Qt::AlignVCenter,
                     text);
}

void DecoratedFrame::mousePressEvent(QMouseEvent *event)
{
    // The compositor moves the window; a program cannot place itself on Wayland.
    if (event->button() == Qt::LeftButton && titleRect().contains(event->position().toPoint()) &&
        windowHandle())
        windowHandle()->startSystemMove();
}
