// SPDX-License-Identifier: MIT
#include "Alarm.h"
#include "DesktopPlatform.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("alarm"));
    app.setDesktopFileName(QStringLiteral("alarm"));
    app.setWindowIcon(applicationIcon());

    DesktopPlatform platform;
    Alarm window(platform);
    window.show();
    return app.exec();
}
