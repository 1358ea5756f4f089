#pragma once

#include <QString>

#include <stdexcept>

namespace pelvaro {

// A failure whose German text is meant for the user. Logic throws it inside its own
// library; widget event handlers catch it at their edge and route it to the general
// error display.
class Error : public std::runtime_error
{
public:
    explicit Error(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }

    const QString& message() const noexcept { return m_message; }

private:
    QString m_message;
};

} // namespace pelvaro
