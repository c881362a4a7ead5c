// SPDX-License-Identifier: MIT
#include "Alarm.h"

#include "AccessibleAlarm.h"
#include "ControlTable.h"
#include "Platform.h"
#include "Texts.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <algorithm>

namespace {

using text::qs;

QStringList twoDigitEntries(int count)
{
    QStringList entries;
    for (int i = 0; i < count; ++i)
        entries << QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
    return entries;
}

// A key stroke that types a character: a letter, digit, punctuation or the space bar. Navigation,
// function and modifier keys type none, and neither do the keys whose text is a control code (Tab,
// Backspace, Delete, Enter, Escape) nor Ctrl, Alt and Meta combinations, which are commands.
bool typesCharacter(const QKeyEvent &event)
{
    if (event.text().isEmpty() || !event.text().at(0).isPrint())
        return false;
    return !(event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

// Black text while the control is enabled. The disabled colours stay the style's own, so that the
// lists and their captions grey out while a plan holds the chosen time.
void setEnabledTextBlack(QPalette &colours, std::initializer_list<QPalette::ColorRole> roles)
{
    for (const QPalette::ColorRole role : roles) {
        colours.setColor(QPalette::Active, role, Qt::black);
        colours.setColor(QPalette::Inactive, role, Qt::black);
    }
}

} // namespace

QIcon applicationIcon()
{
    Q_INIT_RESOURCE(app);
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/alarm-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/alarm-32.png"), QSize(32, 32));
    return icon;
}

Alarm::Alarm(Platform &platform, QWidget *parent)
    : QWidget(parent), m_platform(platform), m_clockFollower(platform),
      // A notice's action cancels like OFF, as long as the plan it tells of is the one running.
      m_notices(platform, *this,
                [this](PlanState plan) {
                    if (planState() == plan)
                        Alarmoff_Click();
                }),
      m_keepAwake(platform, m_notices)
{
    AccessibleAlarm::install();
    createControls();
    connectEvents();
    AccessibleAlarm::describeAsWritten(*this);
}

// Built as the design has it: the window, its controls in their creation order, then their
// design-time state from one table.
void Alarm::createControls()
{
    setObjectName(QStringLiteral("Alarm"));
    setWindowTitle(qs(text::kTitle));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(design::twipsToPixels(design::kClientWidth), design::twipsToPixels(design::kClientHeight));
    setWindowIcon(applicationIcon());

    Timer4 = new QTimer(this);
    Details = new QPushButton(this);
    Shutdown = new QPushButton(this);
    AM = new QComboBox(this);
    Minutes = new QComboBox(this);
    Hour = new QComboBox(this);
    Alarmon = new QPushButton(this);
    Alarmoff = new QPushButton(this);
    Text1 = new HiddenTextField(this);
    Timer2 = new QTimer(this);
    Timer3 = new QTimer(this);
    Timer1 = new QTimer(this);
    Text2 = new HiddenTextField(this);
    Label6 = new QLabel(this);
    Label5 = new QLabel(this);
    Label4 = new QLabel(this);
    Label3 = new QLabel(this);
    Label1 = new QLabel(this);
    Label2 = new QLabel(this);

    applyDesignTable();
    fillLists();
    chainFocus();
    setUpTimers();
}

QHash<QString, QWidget *> Alarm::controlsByName() const
{
    return {
        {"Details", Details},   {"Shutdown", Shutdown}, {"AM", AM},
        {"Minutes", Minutes},   {"Hour", Hour},         {"Alarmon", Alarmon},
        {"Alarmoff", Alarmoff}, {"Text1", Text1},       {"Text2", Text2},
        {"Label6", Label6},     {"Label5", Label5},     {"Label4", Label4},
        {"Label3", Label3},     {"Label1", Label1},     {"Label2", Label2},
    };
}

void Alarm::applyDesignTable()
{
    const QHash<QString, QWidget *> widgets = controlsByName();
    for (const design::Control &d : design::kControls) {
        QWidget *w = widgets.value(qs(d.name));
        w->setObjectName(qs(d.name));
        w->setGeometry(design::pixelRect(d.left, d.top, d.width, d.height));
        w->setToolTip(text::translated(d.toolTip));
        w->setEnabled(d.enabled);
        w->setVisible(d.visible);
        if (d.fontPixels != design::kDefaultFont) {
            QFont font(QStringLiteral("Times New Roman"));
            font.setBold(true);
            font.setPixelSize(d.fontPixels);
            w->setFont(font);
        }
        applyLook(w, text::translated(d.caption));
    }
    Label4->setToolTip(text::translated(design::kCreditLine) + QStringLiteral(".   "));
    // The credit blinks with the time every second; a screen reader hears the credit, once.
    Label4->setAccessibleName(Label4->text());
    Label6->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Label6->setLineWidth(1);
}

// Captions, and the colours of each kind of control on the button face.
void Alarm::applyLook(QWidget *control, const QString &caption)
{
    const QColor buttonFace = palette().color(QPalette::Button);
    if (auto *button = qobject_cast<QPushButton *>(control)) {
        button->setText(caption);
        button->setAutoDefault(false);
    } else if (auto *label = qobject_cast<QLabel *>(control)) {
        label->setText(caption);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setAutoFillBackground(true);
        QPalette colours = label->palette();
        colours.setColor(QPalette::Window, buttonFace);
        if (label != Label4)
            setEnabledTextBlack(colours, {QPalette::WindowText});
        label->setPalette(colours);
    } else if (auto *list = qobject_cast<QComboBox *>(control)) {
        QPalette colours = list->palette();
        colours.setColor(QPalette::Base, buttonFace);
        setEnabledTextBlack(colours, {QPalette::Text, QPalette::ButtonText, QPalette::WindowText});
        list->setPalette(colours);
    }
}

void Alarm::fillLists()
{
    Hour->addItems(twoDigitEntries(12));
    Minutes->addItems(twoDigitEntries(60));
    AM->addItems({QStringLiteral("AM"), QStringLiteral("PM")});
    for (QComboBox *list : {Hour, Minutes, AM})
        list->setCurrentIndex(-1);

    // A list is named by its caption for screen readers, also once an entry is picked; Qt would
    // otherwise name it by its entry.
    Label1->setBuddy(Hour);
    Label2->setBuddy(Minutes);
    Label3->setBuddy(AM);
    Hour->setAccessibleName(Label1->text());
    Minutes->setAccessibleName(Label2->text());
    AM->setAccessibleName(Label3->text());

    // "Hour" and "Minutes" reach one pixel row into the top of their lists; the lists' borders
    // are drawn over them.
    Label1->stackUnder(Hour);
    Label2->stackUnder(Minutes);
}

// Focus follows the tab indexes through the controls that can take it; labels never do, and the
// hidden fields are state, not input.
void Alarm::chainFocus()
{
    Text1->setFocusPolicy(Qt::NoFocus);
    Text2->setFocusPolicy(Qt::NoFocus);
    const QHash<QString, QWidget *> widgets = controlsByName();
    std::vector<const design::Control *> focusOrder;
    for (const design::Control &d : design::kControls) {
        if (widgets.value(qs(d.name))->focusPolicy() != Qt::NoFocus)
            focusOrder.push_back(&d);
    }
    std::sort(focusOrder.begin(), focusOrder.end(), [](auto a, auto b) { return a->tabIndex < b->tabIndex; });
    for (size_t i = 1; i < focusOrder.size(); ++i)
        setTabOrder(widgets.value(qs(focusOrder[i - 1]->name)), widgets.value(qs(focusOrder[i]->name)));
    Details->setFocus();
}

void Alarm::setUpTimers()
{
    const QHash<QString, QTimer *> timers{
        {"Timer1", Timer1}, {"Timer2", Timer2}, {"Timer3", Timer3}, {"Timer4", Timer4}};
    for (const design::Timer &d : design::kTimers) {
        QTimer *timer = timers.value(qs(d.name));
        timer->setObjectName(qs(d.name));
        timer->setInterval(d.intervalMs);
        if (d.running)
            timer->start();
    }
    // A coarse timer may shift a 2 s beat by up to 100 ms either way, which moves the first melody
    // away from the end of the spoken time; the ringing keeps its beat to the millisecond.
    Timer4->setTimerType(Qt::PreciseTimer);
}

void Alarm::connectEvents()
{
    connect(Details, &QPushButton::clicked, this, &Alarm::Details_Click);
    connect(Timer3, &QTimer::timeout, this, &Alarm::Timer3_Timer);
    // A list's click runs before the call that changed its selection returns, also when the program
    // sets it: the target is written at once, never after some later event.
    connect(Hour, &QComboBox::currentIndexChanged, this, &Alarm::Hour_Click, Qt::DirectConnection);
    connect(Minutes, &QComboBox::currentIndexChanged, this, &Alarm::Minutes_Click, Qt::DirectConnection);
    connect(AM, &QComboBox::currentIndexChanged, this, &Alarm::AM_Click, Qt::DirectConnection);
    connect(Alarmon, &QPushButton::clicked, this, &Alarm::Alarmon_Click);
    connect(Shutdown, &QPushButton::clicked, this, &Alarm::Shutdown_Click);
    connect(Alarmoff, &QPushButton::clicked, this, &Alarm::Alarmoff_Click);
    connect(Timer1, &QTimer::timeout, this, &Alarm::Timer1_Timer);
    connect(Timer4, &QTimer::timeout, this, &Alarm::Timer4_Timer);
    connect(Timer2, &QTimer::timeout, this, &Alarm::Timer2_Timer);

    // Key presses, mouse moves and the label click arrive through this window's event filter.
    m_keyPressHandlers = {
        {Hour, &Alarm::Hour_KeyPress},
        {Minutes, &Alarm::Minutes_KeyPress},
        {AM, &Alarm::AM_KeyPress},
    };
    m_mouseMoveHandlers = {
        {Alarmon, &Alarm::Alarmon_MouseMove},   {Alarmoff, &Alarm::Alarmoff_MouseMove},
        {Shutdown, &Alarm::Shutdown_MouseMove}, {Details, &Alarm::Details_MouseMove},
        {Label1, &Alarm::Label1_MouseMove},     {Label2, &Alarm::Label2_MouseMove},
        {Label3, &Alarm::Label3_MouseMove},     {Label4, &Alarm::Label4_MouseMove},
        {Label5, &Alarm::Label5_MouseMove},     {Label6, &Alarm::Label6_MouseMove},
    };
    for (QObject *list : m_keyPressHandlers.keys())
        list->installEventFilter(this);
    for (QObject *control : m_mouseMoveHandlers.keys()) {
        static_cast<QWidget *>(control)->setMouseTracking(true);
        control->installEventFilter(this);
    }
}

bool Alarm::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (const auto handler = m_keyPressHandlers.value(watched)) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (typesCharacter(*key)) {
                QChar character = key->text().at(0);
                (this->*handler)(character);
                // Left to the list, Space would open its popup, which then takes the following
                // keys: Space steps the list like any other character, once per press.
                if (key->key() == Qt::Key_Space)
                    return true;
            }
        }
        break;
    case QEvent::MouseMove:
        // Qt shows a disabled control's events to filters too; such a control has no hover.
        if (const auto handler = m_mouseMoveHandlers.value(watched)) {
            auto *control = static_cast<QWidget *>(watched);
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (control->isEnabled() && control->isVisibleTo(this)) {
                const QPoint at = mouse->position().toPoint();
                (this->*handler)(mouse->buttons(), mouse->modifiers(), at.x(), at.y());
            }
        }
        break;
    case QEvent::MouseButtonRelease:
        if (watched == Label4 && Label4->isEnabled()) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton && Label4->rect().contains(mouse->position().toPoint()))
                Label4_Click();
        }
        break;
    default:
        break;
    }
    // Every other event goes on to the control's own handling.
    return false;
}

void Alarm::setVisible(bool visible)
{
    if (visible && !m_loaded) {
        m_loaded = true;
        Form_Load();
        const QScreen *screen = QGuiApplication::primaryScreen();
        // Inside a frame of our own, the frame is what is placed on the screen.
        if (screen && isWindow())
            setGeometry(
                QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen->availableGeometry()));
    }
    QWidget::setVisible(visible);
}
