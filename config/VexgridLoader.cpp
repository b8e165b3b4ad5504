#include "config/VexgridLoader.h"

#include "core/OidText.h"
#include "core/RangeChecks.h"
#include "config/VexgridV3.h"
#include "config/VexgridXML.h"

#include <QDomDocument>
#include <QFile>
#include <QFileInfo>

namespace {

// A vexgrid file is a few kilobytes; this bound keeps a wrong path (a device,
// a huge log) from tying up start-up.
constexpr qint64 kMaxVexgridFileBytes = qint64{4} * 1024 * 1024;

// A target of a well-formed file that cannot be shot.
class EBadTarget : public EVexgridXML {
public:
    using EVexgridXML::EVexgridXML;
};

QString ReadError(const QString& message, int line, int column)
{
    return QStringLiteral("%1 (line %2, column %3)").arg(message).arg(line).arg(column);
}

// Parses the file at `path`; throws EVexgridXML with the reason on failure.
QDomDocument ParseFile(const QString& path)
{
    // Only regular files: reading a device or a pipe might never end.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        throw EVexgridXML(QStringLiteral("Not a regular file"));
    if (info.size() > kMaxVexgridFileBytes)
        throw EVexgridXML(QStringLiteral("The file is larger than %1 bytes").arg(kMaxVexgridFileBytes));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EVexgridXML(file.errorString());
    QDomDocument document;
    QString message;
    int line = 0;
    int column = 0;
    if (!document.setContent(&file, /*namespaceProcessing=*/true, &message, &line, &column))
        throw EVexgridXML(ReadError(message, line, column));
    return document;
}

// Adds one shootertarget to the settings: a directive sets the instance mask,
// a target goes to targetOids and the OID list. A target whose OID and
// instance together are no OID would go out as some other OID, or not at
// all; it refuses the file. `position` counts every entry from 1.
void ClassifyTarget(const TXMLShootertargetType& entry, int position, TSessionSettings& settings)
{
    const QString oid = NormaliseTargetOid(entry.oid());
    // An entry without an oid names nothing to shoot: skip it, rather than
    // shoot an empty OID (which no agent answers) or refuse the whole file.
    if (oid.isEmpty())
        return;
    if (oid.startsWith(u'&')) {
        // "&IM=" and "&AL=" are four characters; the mask is what follows.
        settings.instanceMask = oid.mid(4);
        return;
    }
    const QString instance = entry.instance();
    if (!IsOidText(QString(oid + instance)))
        throw EBadTarget(
            QStringLiteral("Target %1: '%2' is not an OID").arg(position).arg(entry.oid() + instance));
    if (instance.isEmpty())
        settings.tableMode = true;
    // The instance is appended as written; the file gives its leading dot.
    settings.requestTemplate.oidList += oid + instance + kItemSeparator;
    settings.targetOids.append(oid);
}

void ReadDocument(const QDomDocument& document, TSessionSettings& settings)
{
    TRequest& t = settings.requestTemplate;
    const TXMLVexgridType root = GetVexgrid(document);

    const QString title = root.programtitle();
    if (!title.isEmpty())
        settings.programTitle = title;
    const QString host = root.host();
    if (!host.isEmpty())
        t.remoteHost = host;
    const QString community = root.community();
    if (!community.isEmpty())
        t.community = community;
    t.pollSeconds = 1;

    if (const auto width = root.width())
        settings.windowWidth = ValidWidth(QString::number(*width));
    if (const auto height = root.height())
        settings.windowHeight = ValidHeight(QString::number(*height));

    const TXMLShooterType shooter = root.shooter();
    const auto port = shooter.remoteport();
    t.remotePort = port ? ValidPort(QString::number(*port)) : 161;
    const auto version = shooter.snmpversion();
    t.snmpVersion = version ? (*version == 3 ? 3 : ValidVersion(QString::number(*version))) : 1;
    settings.v3 = TV3Settings{};
    if (t.snmpVersion == 3)
        ReadV3Settings(shooter, settings.v3);
    // Outside 1..1000 (or absent) the walks keep to Get-Next.
    const auto repetitions = shooter.maxrepetitions();
    settings.maxRepetitions = repetitions && *repetitions >= 1 && *repetitions <= 1000 ? *repetitions : 0;
    // Outside 1..8 (or absent) one request at a time.
    const auto parallel = shooter.parallel();
    settings.parallelRequests =
        parallel && *parallel >= 1 && *parallel <= kMaxParallelRequests ? *parallel : 1;

    settings.preferredInstance = root.preferredinstance();
    settings.mibPaths = root.mibs();

    settings.tableMode = false;
    const TXMLShootertargetsType targets = shooter.shootertargets();
    for (int i = 0; i < targets.Count(); ++i)
        ClassifyTarget(targets.Shootertarget(i), i + 1, settings);
}

}  // namespace

QString NormaliseTargetOid(const QString& oid)
{
    QString text = oid;
    for (QChar& c : text) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    }
    text.replace(QStringLiteral("FORMULA"), QStringLiteral("&Formula"));
    text.replace(QStringLiteral("AL="), QStringLiteral("&AL="));
    text.replace(QStringLiteral("IM="), QStringLiteral("&IM="));
    text.replace(QStringLiteral("&&"), QStringLiteral("&"));
    return text;
}

TVexgridLoadResult LoadVexgridSettings(const QString& path, TSessionSettings& settings)
{
    settings.instanceMask.clear();
    settings.requestTemplate.oidList.clear();
    try {
        const QDomDocument document = ParseFile(path);
        ReadDocument(document, settings);
        if (settings.requestTemplate.snmpVersion == 3)
            settings.v3.fileWarning = ReadablePasswordWarning(path, settings.v3);
        return {true, QString()};
    } catch (const EBadTarget& e) {
        return {false, e.Message(), true};
    } catch (const EVexgridXML& e) {
        return {false, e.Message()};
    } catch (const std::exception& e) {
        return {false, QString::fromLocal8Bit(e.what())};
    }
}

QString VexgridParserMessage(const QString& path, const QString& reason)
{
    return QStringLiteral("XML Parser error! The XML file: ") + path
         + QStringLiteral(" could not be parsed. Error message: ") + reason;
}

QString VexgridLoadMessage(const QString& path, const TVexgridLoadResult& result)
{
    if (!result.badEntry)
        return VexgridParserMessage(path, result.reason);
    return QStringLiteral("The view in %1 cannot be shot. %2: counted among the shootertarget entries "
                          "from 1, its oid followed by its instance must be an OID, decimal numbers "
                          "joined by single dots, such as 1.3.6.1.2.1.2.2.1.2. Correct the entry "
                          "and open the file again.")
        .arg(path, result.reason);
}
