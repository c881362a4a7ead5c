// SPDX-License-Identifier: MIT
#include "Translation.h"

#include <QCoreApplication>
#include <QTranslator>

namespace translation {
namespace {

QTranslator &translator()
{
    static QTranslator instance;
    return instance;
}

bool g_loaded = false;

} // namespace

bool load(const QLocale &locale)
{
    if (QCoreApplication::instance())
        QCoreApplication::removeTranslator(&translator());
    // The compiled translations are built into the program (translations/).
    g_loaded =
        translator().load(locale, QStringLiteral("alarm"), QStringLiteral("_"), QStringLiteral(":/i18n"));
    if (g_loaded && QCoreApplication::instance())
        QCoreApplication::installTranslator(&translator());
    return g_loaded;
}

QString text(const char *context, const char *source, int n)
{
    if (QCoreApplication::instance())
        return QCoreApplication::translate(context, source, nullptr, n);
    QString result = g_loaded ? translator().translate(context, source, nullptr, n) : QString();
    if (result.isNull())
        result = QString::fromUtf8(source);
    return n < 0 ? result : result.replace(QLatin1String("%n"), QString::number(n));
}

QString language()
{
    return g_loaded ? QLocale(translator().language()).bcp47Name().section(u'-', 0, 0) : QStringLiteral("en");
}

std::string voiceLanguage(const QLocale &locale)
{
    const QString wanted = language();
    if (locale.language() == QLocale(wanted).language())
        return locale.name().toLower().replace(u'_', u'-').toStdString();
    return wanted.toStdString();
}

} // namespace translation
