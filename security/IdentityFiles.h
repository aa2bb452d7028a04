#pragma once

#include "engine/keys/KeyCertificate.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QMap>
#include <QString>

// The key pair wizard's answers, with its defaults.
struct KeyPairAnswers
{
    KeyAlgorithm type = KeyAlgorithm::Ed25519; // OpenSSH's own default; current servers refuse DSA
    int bits = 1024;
    QByteArray passphrase;  // empty: the private key is written unprotected
    QString privateKeyPath; // empty: DefaultPrivateKeyPath()
    QString publicKeyPath;  // empty: DefaultPublicKeyPath()
};

// The certificate wizard's answers, with its defaults. The key is always RSA.
struct CertificateAnswers
{
    QString name =
        QCoreApplication::translate("IdentityFiles", "新憑證"); // the files are <name>.key and <name>.crt
    QString outputFolder;                    // empty: SecurityFolder()
    int bits = 1024;
    QDateTime expires; // invalid: DefaultCertificateExpiry()
    QByteArray passphrase;
    QMap<CertificateField, QString> subject;
};

// What a wizard's Finish step wrote, or why it stopped.
struct IdentityFiles
{
    QString error; // empty on success; files written before the failure stay
    QString privateKeyPath;
    QString publicKeyPath;   // key pairs
    QString certificatePath; // certificates
    QByteArray publicKey;    // the line written to the public key file
    bool Ok() const { return error.isEmpty(); }
};

// The Security folder inside the data folder, and the key pair wizard's default files there.
QString SecurityFolder();
QString DefaultPrivateKeyPath();
QString DefaultPublicKeyPath();
// The same day a year ahead, at noon local time.
QDateTime DefaultCertificateExpiry();

// Makes the folders of both paths with their parents, generates the key and writes the private key
// (PEM for RSA and DSA, OpenSSH's format for Ed25519; protected when a pass phrase is given) and the public
// key as one authorized_keys line.
IdentityFiles GenerateKeyPair(const KeyPairAnswers& answers);
// The key and certificate files GenerateCertificate writes for the answers; error names a name that
// cannot be a file name.
IdentityFiles CertificateFiles(const CertificateAnswers& answers);
// Makes the output folder with its parents, generates an RSA key and a self-signed certificate valid
// from now until the expiry, and writes <folder>/<name>.key and <folder>/<name>.crt.
IdentityFiles GenerateCertificate(const CertificateAnswers& answers);
