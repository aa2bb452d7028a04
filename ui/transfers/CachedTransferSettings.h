#pragma once

// The transfer settings the frame reads once when it is made; the transfer manager works with these.
struct CCachedTransferSettings
{
    bool forceParallelTransfers = false;
    int transferMax = 10;
    int connectionTimeout = 30;
    bool removeFailed = false;
    bool preserveRemoteTimeStamp = true;
    bool preserveLocalTimeStamp = false;

    static CCachedTransferSettings Read();
};
