#pragma once

// The component's transfer-mode values.
enum class TransferMode
{
    Binary = 0,
    Ascii = 1
};

// Whatever carries out the next transfer (a worker's engine) and can be switched between modes.
class ITransferModeTarget
{
public:
    virtual void SetTransferMode(TransferMode mode) = 0;

protected:
    ~ITransferModeTarget() = default;
};
