#include "controls/PropertyBag.h"

namespace velmo {

PropertyBag::PropertyBag(std::initializer_list<std::pair<QString, QVariant>> values)
{
    for (const auto& [key, value] : values)
        m_values.insert(key, value);
}

QVariant PropertyBag::read(const QString& key, const QVariant& defaultValue) const
{
    const auto it = m_values.constFind(key);
    return it == m_values.constEnd() ? defaultValue : it.value();
}

bool PropertyBag::readBool(const QString& key, bool defaultValue) const
{
    const auto it = m_values.constFind(key);
    if (it == m_values.constEnd())
        return defaultValue;
    if (it.value().typeId() == QMetaType::Bool)
        return it.value().toBool();
    bool ok = false;
    const qlonglong number = it.value().toLongLong(&ok);
    if (ok)
        return number != 0;
    return it.value().toBool();
}

void PropertyBag::write(const QString& key, const QVariant& value, const QVariant& defaultValue)
{
    if (defaultValue.isValid() && value == defaultValue)
        m_values.remove(key);
    else
        m_values.insert(key, value);
}

void PropertyBag::writeBool(const QString& key, bool value, bool defaultValue)
{
    if (value == defaultValue)
        m_values.remove(key);
    else
        m_values.insert(key, QVariant::fromValue<qint16>(value ? qint16(-1) : qint16(0)));
}

} // namespace velmo
