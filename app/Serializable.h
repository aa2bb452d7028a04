#pragma once

#include <QByteArray>

// An object kept in the settings store as one binary value in its archive form.
class ISerializable
{
public:
    virtual ~ISerializable() = default;
    virtual QByteArray Serialize() const = 0;
    // Gives false and leaves the object as it was when the bytes are not a valid archive.
    virtual bool Deserialize(const QByteArray& bytes) = 0;
};
