// SPDX-License-Identifier: MIT
#include "DesktopPlatform.h"

#include "TimeText.h"

#include <QMessageBox>

QTime DesktopPlatform::currentTime()
{
    return QTime::currentTime();
}

QString DesktopPlatform::currentTimeText()
{
    return clockTimeText(QTime::currentTime(), QLocale::system());
}

void DesktopPlatform::messageBox(const QString &prompt, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, title, prompt, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
