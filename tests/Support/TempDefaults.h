#pragma once

// A user-defaults file of its own for one test, opened as the application would open it, and read
// back the way the next start of the program would.

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>

namespace vell::testsupport {

class TempDefaults {
public:
    TempDefaults() : path_(directory_.filePath("Vell.ini")) {}

    std::shared_ptr<QSettings> open() const {
        return std::make_shared<QSettings>(path_, QSettings::IniFormat);
    }

    // As a new process reads it: every value comes back as text.
    QVariant stored(const QString& key) const { return QSettings(path_, QSettings::IniFormat).value(key); }
    bool contains(const QString& key) const { return QSettings(path_, QSettings::IniFormat).contains(key); }

    // The file as a user might have edited it by hand.
    void writeFile(const QByteArray& contents) const {
        QFile file(path_);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(contents);
    }

    QByteArray readFile() const {
        QFile file(path_);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QTemporaryDir directory_;
    QString path_;
};

} // namespace vell::testsupport
