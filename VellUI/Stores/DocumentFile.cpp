#include "Stores/DocumentFile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <exception>
#include <filesystem>
#include <utility>

namespace vell {

namespace {

void logSaveFailure(const QString& description) {
    qWarning().noquote() << QString::fromUtf8("Vell: 保存に失敗しました ") + description;
}

// Resolved through links of its folders and of the file itself, also for a file that does not exist yet
// (a link may point to it already).
QString resolvedPath(const QString& file) {
    QString path = QFileInfo(file).absoluteFilePath();
    for (int links = 0; links < 40; ++links) {
        const QFileInfo info(path);
        const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
        if (!folder.isEmpty()) path = QDir(folder).filePath(info.fileName());
        const QFileInfo resolved(path);
        if (!resolved.isSymLink()) break;
        path = resolved.symLinkTarget();
    }
    return path;
}

} // namespace

void DocumentFile::logRepairs(const QString& path, const DocumentRepairs& repairs) {
    for (const DocumentRepair& repair : repairs)
        qWarning().noquote() << QStringLiteral("Vell: %1: %2%3")
                                    .arg(path,
                                         repair.path.empty() ? QString()
                                                             : QString::fromStdString(repair.path) + ": ",
                                         QString::fromStdString(repair.what));
}

std::optional<QString> DocumentFile::defaultLocation() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty()) return std::nullopt;
    const QString folder = QDir(base).filePath(QStringLiteral("Vell"));
    QDir().mkpath(folder);
    return QDir(folder).filePath(QStringLiteral("document.json"));
}

bool DocumentFile::sameFile(const QString& a, const QString& b) {
    if (resolvedPath(a) == resolvedPath(b)) return true;
    std::error_code error;
    return std::filesystem::equivalent(a.toStdString(), b.toStdString(), error);
}

DocumentFile::DocumentFile(QString path, Date::Clock clock)
    : path_(std::move(path)), clock_(std::move(clock)) {}

std::optional<VellDocument> DocumentFile::load() {
    const QFileInfo info(path_);
    if (!info.exists()) return std::nullopt;
    // From here on the file holds something; if it cannot be used, it is kept aside rather than
    // overwritten by the first save.
    if (!info.isFile()) {
        // Opening a pipe would wait for a writer that may never come.
        qWarning().noquote() << QStringLiteral("Vell: %1 is not a regular file and is not read").arg(path_);
        unreadableFileToSetAside_ = true;
        return std::nullopt;
    }
    QFile file(path_);
    const auto unreadable = [this](const QString& why) -> std::optional<VellDocument> {
        qWarning().noquote() << QStringLiteral("Vell: %1 could not be read: %2").arg(path_, why);
        unreadableFileToSetAside_ = true;
        return std::nullopt;
    };
    if (!file.open(QIODevice::ReadOnly)) return unreadable(file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return unreadable(file.errorString());
    try {
        DocumentRepairs repairs;
        VellDocument document = VellDocument::read(
            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), repairs);
        // What was mended is read as well as it can be; the file as it was is kept aside all the same,
        // unless writing over it loses nothing.
        logRepairs(path_, repairs);
        if (std::any_of(repairs.begin(), repairs.end(), [](const DocumentRepair& r) { return !r.lossless; }))
            unreadableFileToSetAside_ = true;
        return document;
    } catch (const std::exception& error) {
        // The error names the member that could not be read ("sheets[2].id: missing").
        return unreadable(QString::fromUtf8(error.what()));
    }
}

std::optional<std::string> DocumentFile::save(const VellDocument& document) {
    std::string bytes = document.encode();
    QString error;
    if (!write(bytes, error)) {
        logSaveFailure(error);
        return std::nullopt;
    }
    return bytes;
}

bool DocumentFile::write(std::string_view bytes, QString& error) {
    if (!setUnreadableFileAside(error)) return false;
    // The folder may have gone since start-up.
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    // A full disk shows as a short write; committing it would put half a document over the good one.
    const auto size = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), size) != size) {
        error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

bool DocumentFile::setUnreadableFileAside(QString& error) {
    if (!unreadableFileToSetAside_) return true;
    const QFileInfo info(path_);
    if (!info.exists() && !info.isSymLink()) {
        unreadableFileToSetAside_ = false;
        return true;
    }
    const QString stamp = QString::fromStdString(clock_().iso8601()).remove(QLatin1Char(':'));
    const QString stem =
        info.dir().filePath(info.completeBaseName() + QStringLiteral(".unreadable-") + stamp);
    const QString suffix = info.suffix().isEmpty() ? QString() : QStringLiteral(".") + info.suffix();
    QFile file(info.filePath());
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const QString target =
            stem + (attempt > 1 ? QStringLiteral("-") + QString::number(attempt) : QString()) + suffix;
        if (QFileInfo::exists(target)) continue;
        if (!file.rename(target)) break;
        qWarning().noquote() << QStringLiteral("Vell: %1 could not be read and was set aside as %2")
                                    .arg(path_, QFileInfo(target).fileName());
        unreadableFileToSetAside_ = false;
        return true;
    }
    error = QStringLiteral("the unreadable file %1 could not be moved aside: %2")
                .arg(info.filePath(), file.errorString());
    return false;
}

} // namespace vell
