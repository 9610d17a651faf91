#include "app/Rights.h"

namespace tv {

QStringList MainMenuItemsDisabledFor(const QString &right)
{
    if (right == u"只能添加" || right == u"不能修改")
        return {QStringLiteral("qixrs"), QStringLiteral("MnuCompany"), QStringLiteral("MnuEmploy"),
                QStringLiteral("seleup"), QStringLiteral("Proxy")};
    if (right == u"可以修改")
        return {QStringLiteral("qixrs"), QStringLiteral("MnuEmploy")};
    return {};
}

} // namespace tv
