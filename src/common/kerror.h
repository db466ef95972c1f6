// The one error type that the link, the stores and the settings raise. It carries the message of
// the driver or of the operating system so that the general error display can show it as it is.
#pragma once

#include <QString>
#include <stdexcept>

namespace kestrum {

class Error : public std::runtime_error {
public:
    explicit Error(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

} // namespace kestrum
