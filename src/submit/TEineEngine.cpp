#include "submit/TEineEngine.h"

namespace pelvaro::submit {

SendList& SendeListe()
{
    static SendList list;
    return list;
}

QString resultLine(const QString& name, const QString& message, int statusCode, qint32 nr,
                   const QString& address)
{
    return name + QLatin1Char('\t') + message + QLatin1Char('\t') + QString::number(statusCode) +
           QLatin1Char('\r') + QString::number(nr) + QLatin1Char('\t') + address;
}

} // namespace pelvaro::submit
