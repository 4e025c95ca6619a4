#pragma once
// Stream exceptions of the framework: EStreamError and the filer errors of component streams.
// They carry the text the user is shown; Application->ShowException shows them like any error.
#include <QString>
#include <stdexcept>

class EStreamError : public std::runtime_error {
public:
    explicit EStreamError(const QString& message) : std::runtime_error(message.toStdString()) {}
    explicit EStreamError(const char* message) : std::runtime_error(message) {}
    QString Message() const { return QString::fromUtf8(what()); }
};

// Errors of component streaming.
class EFilerError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// A stream that cannot be read: damaged, truncated or hostile data.
class EReadError : public EFilerError {
public:
    using EFilerError::EFilerError;
};

// A value the format cannot hold, or a device that refused the bytes.
class EWriteError : public EFilerError {
public:
    using EFilerError::EFilerError;
};

// A file that cannot be created for writing.
class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// A file that cannot be opened for reading.
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// A component stream naming a class the reader does not know.
class EClassNotFound : public EFilerError {
public:
    using EFilerError::EFilerError;
};
