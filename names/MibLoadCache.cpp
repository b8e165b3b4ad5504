#include "names/MibLoadCache.h"

#include "names/MibReadProtocol.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace MibCache {

namespace {

// The format: 2 added units, access, status and description to the objects;
// a file of another format is read again from the modules.
const QByteArray firstLine = QByteArrayLiteral("HB_Vexgrid MIB names 2\n");
// Far more than the names of every module there is; a bigger file is not ours.
constexpr qint64 maxFileSize = 512LL * 1024 * 1024;

QByteArray Sum(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// Reads the records after the key; false at the first one that does not fit.
class TCacheReader {
public:
    TCacheReader(const QStringList& expectedKey, TMibReadOutcome* readOutcome)
        : key(expectedKey), outcome(readOutcome)
    {
    }

    bool Take(const QByteArray& line)
    {
        char tag = 0;
        QStringList fields;
        if (!MibRead::ParseRecord(line, &tag, &fields))
            return false;
        if (tag == 'K')
            return fields.size() == 1 && keyLines < key.size() && fields[0] == key[keyLines++];
        if (keyLines != key.size())
            return false;
        switch (tag) {
        case 'M':
            outcome->modules.append(TMibModuleFile{fields.value(0), fields.value(1)});
            return fields.size() == 2;
        case 'P':
            outcome->problems.append(TMibProblem{fields.value(0), fields.value(1), fields.value(2)});
            return fields.size() == 3;
        case 'W':
            module = fields.value(0);
            file = fields.value(1);
            return fields.size() == 2;
        case 'O': {
            TMibObject object;
            if (!MibRead::ObjectFromFields(fields, &object))
                return false;
            object.module = module;
            object.file = file;
            outcome->objects.append(std::move(object));
            return true;
        }
        default: return false;
        }
    }

    bool KeyComplete() const { return keyLines == key.size(); }

private:
    const QStringList& key;
    TMibReadOutcome* outcome;
    qsizetype keyLines = 0;
    QString module;
    QString file;
};

// The lines between the first and the last, once the last has summed them up.
bool CheckedBody(const QByteArray& bytes, QByteArrayView* body)
{
    if (!bytes.startsWith(firstLine) || !bytes.endsWith('\n'))
        return false;
    const qsizetype last = bytes.lastIndexOf('\n', bytes.size() - 2) + 1;
    if (last < firstLine.size())
        return false;
    const QByteArrayView lastLine = QByteArrayView(bytes).sliced(last).chopped(1);
    if (!lastLine.startsWith("E\t") || lastLine.sliced(2) != Sum(QByteArrayView(bytes).first(last)))
        return false;
    *body = QByteArrayView(bytes).sliced(firstLine.size(), last - firstLine.size());
    return true;
}

}  // namespace

QString FileFor(const QString& folder, const QStringList& places)
{
    const QByteArray name = Sum(places.join(QLatin1Char('\n')).toUtf8()).left(16);
    return folder + QStringLiteral("/mib-names-") + QString::fromLatin1(name) + QStringLiteral(".cache");
}

bool Read(const QString& file, const QStringList& key, TMibReadOutcome* outcome)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly) || in.size() > maxFileSize)
        return false;
    const QByteArray bytes = in.readAll();
    QByteArrayView body;
    if (!CheckedBody(bytes, &body))
        return false;
    TMibReadOutcome read;
    TCacheReader reader(key, &read);
    qsizetype start = 0;
    while (start < body.size()) {
        const qsizetype end = body.indexOf('\n', start);
        if (!reader.Take(body.sliced(start, end - start).toByteArray()))
            return false;
        start = end + 1;
    }
    if (!reader.KeyComplete())
        return false;
    *outcome = std::move(read);
    return true;
}

bool Write(const QString& file, const QStringList& key, const TMibReadOutcome& outcome)
{
    QByteArray bytes = firstLine;
    for (const QString& line : key)
        bytes += MibRead::Record('K', {line});
    for (const TMibModuleFile& module : outcome.modules)
        bytes += MibRead::Record('M', {module.module, module.file});
    for (const TMibProblem& problem : outcome.problems)
        bytes += MibRead::Record('P', {problem.module, problem.file, problem.reason});
    const TMibObject* previous = nullptr;
    for (const TMibObject& object : outcome.objects) {
        if (!previous || previous->module != object.module || previous->file != object.file)
            bytes += MibRead::Record('W', {object.module, object.file});
        bytes += MibRead::Record('O', MibRead::ObjectFields(object));
        previous = &object;
    }
    bytes += "E\t" + Sum(bytes) + '\n';

    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return false;
    QSaveFile out(file);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit();
}

}  // namespace MibCache
