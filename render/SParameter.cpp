#include "render/SParameter.h"

#include "app/Log.h"

SParameter::SParameter() : m_iType(TYPE_NONE) {}

SParameter::SParameter(const std::string& name) : m_strName(name), m_iType(TYPE_NONE) {}

SParameter::SParameter(const std::string& name, const std::string& value)
    : m_strName(name), m_iType(TYPE_STRING), m_pValue(new std::string(value))
{
}

SParameter::SParameter(const SParameter& other) : m_iType(TYPE_NONE)
{
    *this = other;
}

SParameter& SParameter::operator=(const SParameter& other)
{
    if (this == &other)
        return *this;
    m_pValue.reset();
    m_strName = other.m_strName;
    if (other.m_iType == TYPE_STRING && other.m_pValue)
    {
        m_iType = TYPE_STRING;
        m_pValue.reset(new std::string(*other.m_pValue));
    }
    else
    {
        Log(1, "Warning: unknown parameter type in SParameter::SParameter");
        m_iType = TYPE_NONE;
    }
    return *this;
}

SParameter::SParameter(SParameter&& other) noexcept
    : m_strName(std::move(other.m_strName)), m_iType(other.m_iType), m_pValue(std::move(other.m_pValue))
{
    other.m_iType = TYPE_NONE;
}

SParameter& SParameter::operator=(SParameter&& other) noexcept
{
    if (this != &other)
    {
        m_strName = std::move(other.m_strName);
        m_iType = other.m_iType;
        m_pValue = std::move(other.m_pValue);
        other.m_iType = TYPE_NONE;
    }
    return *this;
}

SParameter::~SParameter() {}

bool SParameter::operator==(const SParameter& other) const
{
    if (m_strName != other.m_strName || m_iType != other.m_iType)
        return false;
    if (!m_pValue || !other.m_pValue)
        return !m_pValue && !other.m_pValue;
    return *m_pValue == *other.m_pValue;
}
