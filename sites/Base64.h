#pragma once

#include <QByteArray>

// Base64 in the form protected passwords are stored: the standard alphabet with "=" padding, cut into lines
// of 76 characters separated by CR LF. The line breaks follow the Windows program that wrote the first files:
// every line of full three-byte groups ends in CR LF except the last one, and a line that the full groups
// fill exactly keeps its CR LF even when only the final partial group, or nothing, follows it.

// An upper bound of the buffer size Base64Encode needs for `length` bytes.
qsizetype Base64EncodedLength(qsizetype length);

// Encodes `length` bytes into `out`. `*outLength` carries the capacity in and the encoded length out. Fails
// without writing anything when the capacity is below Base64EncodedLength(length).
bool Base64Encode(const unsigned char* data, qsizetype length, char* out, qsizetype* outLength);

// Decodes `length` characters into `out`, skipping every byte outside the alphabet (CR, LF, "=", spaces,
// bars). A short final group gives the whole bytes its bits fill. `*outLength` carries the capacity in and
// the number of bytes written out; decoding stops before the first group that would not fit. Fails only on
// invalid arguments.
bool Base64Decode(const char* text, qsizetype length, unsigned char* out, qsizetype* outLength);

QByteArray Base64Encode(const QByteArray& data);
QByteArray Base64Decode(const QByteArray& text);
