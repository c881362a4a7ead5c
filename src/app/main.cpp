// SPDX-License-Identifier: MIT
#include "Alarm.h"
#include "DesktopPlatform.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("alarm"));
    // The menu entry is installed as io.github.velmora.alarm.desktop; shells match windows to it by this.
    app.setDesktopFileName(QStringLiteral("io.github.velmora.alarm"));
    app.setWindowIcon(applicationIcon());

    DesktopPlatform platform;
    Alarm window(platform);
    window.show();
    return app.exec();
}
