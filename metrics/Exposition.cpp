#include "metrics/Exposition.h"

#include "core/CellValue.h"
#include "names/IndexDecoder.h"
#include "names/MibNames.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <utility>

namespace {

enum class TSampleKind { Counter, Gauge, Label, None };

TSampleKind KindOf(int type)
{
    switch (type) {
    case snmptype::kCounter32:
    case snmptype::kCounter64: return TSampleKind::Counter;
    case snmptype::kInteger:
    case snmptype::kGauge32:
    case snmptype::kTimeTicks: return TSampleKind::Gauge;
    case snmptype::kOctetString:
    case snmptype::kObjectId:
    case snmptype::kIpAddress:
    case snmptype::kOpaque: return TSampleKind::Label;
    default: return TSampleKind::None;  // Null and the exceptions carry no value
    }
}

// A metric or label name: [a-zA-Z_][a-zA-Z0-9_]*; every other character
// (the hyphens some MIB names have) becomes an underscore.
QByteArray MetricName(const QString& name)
{
    QByteArray out = name.toLatin1();
    for (char& c : out) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        if (!letter && !(c >= '0' && c <= '9'))
            c = '_';
    }
    if (out.isEmpty() || (out[0] >= '0' && out[0] <= '9'))
        out.prepend('_');
    return out;
}

QByteArray EscapedLabelValue(const QString& value)
{
    QByteArray out;
    const QByteArray utf8 = value.toUtf8();
    out.reserve(utf8.size());
    for (const char c : utf8) {
        if (c == '\\' || c == '"')
            out.append('\\').append(c);
        else if (c == '\n')
            out.append("\\n");
        else
            out.append(c);
    }
    return out;
}

using TLabels = QVector<std::pair<QByteArray, QString>>;

// The metric's name, its help text and the labels the instance gives it.
struct TSampleName {
    QByteArray metric;
    QByteArray help;
    TLabels labels;
    bool hexValue = false;  // an octet string the exporter writes in hex
};

bool IsDisplayString(const TMibObject& object)
{
    static const QStringList texts = {"DisplayString", "SnmpAdminString", "OwnerString"};
    return texts.contains(object.textualConvention) || object.displayHint.endsWith(QLatin1Char('a'));
}

// A string label's value: the text, or for an octet string the exporter
// writes in hex, "0x" and its bytes in upper case (nothing for no bytes).
QString LabelValue(const TCellValue& value, bool hex)
{
    if (!hex || value.type != snmptype::kOctetString)
        return value.text;
    const QByteArray bytes = value.Bytes();
    return bytes.isEmpty() ? QString() : QStringLiteral("0x") + QString::fromLatin1(bytes.toHex().toUpper());
}

TSampleName NameOf(const TMibNames* names, const QString& oid)
{
    TSampleName name;
    const TMibMatch match = names ? names->Find(oid) : TMibMatch{};
    if (!match.object) {
        name.metric = MetricName(QStringLiteral("oid_") + oid);
        name.help = "The object " + oid.toLatin1();
        return name;
    }
    const TMibObject& object = *match.object;
    name.metric = MetricName(object.name);
    name.hexValue = ExporterType(object) == "OctetString";
    name.help =
        (object.module.isEmpty() ? object.name : object.module + QStringLiteral("::") + object.name).toUtf8()
        + ' ' + object.oid.toLatin1();
    if (match.suffix.isEmpty() || match.suffix == QLatin1String(".0"))
        return name;
    if (const auto components = DecodeInstanceComponents(*names, object.oid, match.suffix)) {
        for (const TIndexComponent& component : *components)
            name.labels.append({MetricName(component.name), component.value});
    } else {
        name.labels.append({QByteArrayLiteral("index"), match.suffix.mid(1)});
    }
    return name;
}

// The sample's value text: the number itself, or 1 for a label; empty when
// the text is no number of its type.
QByteArray ValueText(const TCellValue& value, TSampleKind kind)
{
    bool ok = false;
    if (kind == TSampleKind::Counter)
        value.text.toULongLong(&ok);
    else if (kind == TSampleKind::Gauge)
        value.text.toLongLong(&ok);
    else
        return QByteArrayLiteral("1");
    return ok ? value.text.toLatin1() : QByteArray();
}

QByteArray LabelText(TLabels labels)
{
    if (labels.isEmpty())
        return {};
    std::sort(labels.begin(), labels.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QByteArray out = "{";
    for (const auto& [label, value] : labels) {
        if (out.size() > 1)
            out.append(',');
        out.append(label).append("=\"").append(EscapedLabelValue(value)).append('"');
    }
    return out.append('}');
}

struct TFamily {
    QByteArray name;
    QByteArray help;
    TSampleKind kind = TSampleKind::Gauge;
    QByteArray samples;
    QSet<QByteArray> labelSets;  // one sample per label set
};

class TFamilies {
public:
    TFamilies(const TMibNames* mibNames, TExpositionFormat outFormat) : names(mibNames), format(outFormat) {}

    void Add(const TResultCell& cell)
    {
        if (cell.oid.isEmpty() || cell.stale || cell.missing || !cell.now.HasValue())
            return;
        const TSampleKind kind = KindOf(cell.now.type);
        const QByteArray value = kind == TSampleKind::None ? QByteArray() : ValueText(cell.now, kind);
        if (value.isEmpty())
            return;
        TSampleName name = NameOf(names, cell.oid);
        if (kind == TSampleKind::Label) {
            const bool taken = std::any_of(name.labels.cbegin(), name.labels.cend(),
                                           [&](const auto& label) { return label.first == name.metric; });
            if (!taken)
                name.labels.append({name.metric, LabelValue(cell.now, name.hexValue)});
        }
        TFamily& family = FamilyOf(name, kind == TSampleKind::Counter ? kind : TSampleKind::Gauge);
        const QByteArray labels = LabelText(name.labels);
        // A second type under one name, or the same instance twice, would
        // make the whole scrape invalid; the first one stays.
        if (family.kind != (kind == TSampleKind::Counter ? kind : TSampleKind::Gauge)
            || family.labelSets.contains(labels))
            return;
        family.labelSets.insert(labels);
        family.samples.append(family.name);
        if (family.kind == TSampleKind::Counter && format == TExpositionFormat::OpenMetrics)
            family.samples.append("_total");
        family.samples.append(labels).append(' ').append(value).append('\n');
    }

    QByteArray Text() const
    {
        QByteArray out;
        for (const TFamily& family : families) {
            out.append("# HELP ").append(family.name).append(' ').append(family.help).append('\n');
            out.append("# TYPE ").append(family.name);
            out.append(family.kind == TSampleKind::Counter ? " counter\n" : " gauge\n");
            out.append(family.samples);
        }
        return out;
    }

private:
    TFamily& FamilyOf(const TSampleName& name, TSampleKind kind)
    {
        const auto found = byName.constFind(name.metric);
        if (found != byName.constEnd())
            return families[*found];
        byName.insert(name.metric, int(families.size()));
        families.append({name.metric, EscapedHelp(name.help), kind, {}, {}});
        return families.last();
    }

    QByteArray EscapedHelp(const QByteArray& help) const
    {
        QByteArray out = help;
        out.replace('\\', "\\\\").replace('\n', "\\n");
        if (format == TExpositionFormat::OpenMetrics)
            out.replace('"', "\\\"");
        return out;
    }

    const TMibNames* names;
    TExpositionFormat format;
    QVector<TFamily> families;
    QHash<QByteArray, int> byName;
};

QByteArray Seconds(std::int64_t ms) { return QByteArray::number(double(ms) / 1000.0, 'f', 3); }

}  // namespace

QByteArray ExporterType(const TMibObject& object)
{
    static const QStringList gauges = {"INTEGER", "Integer32", "Unsigned32", "Gauge32", "TimeTicks"};
    if (object.type == QLatin1String("Counter32") || object.type == QLatin1String("Counter64"))
        return "counter";
    if (gauges.contains(object.type))
        return "gauge";
    if (object.type == QLatin1String("IpAddress"))
        return "IpAddr";
    if (object.type == QLatin1String("OCTET STRING"))
        return IsDisplayString(object) ? "DisplayString" : "OctetString";
    if (object.type == QLatin1String("OBJECT IDENTIFIER"))
        return "DisplayString";  // the exporter writes it as dotted text
    return {};
}

TExpositionFormat FormatForAccept(const QByteArray& accept)
{
    // A client that takes the 0.0.4 text as well (Prometheus does, after
    // OpenMetrics) gets it: OpenMetrics would rename every counter to
    // <name>_total in its storage, and dashboards query the plain names.
    const bool takesText = accept.contains("text/plain") || accept.contains("*/*");
    return accept.contains("application/openmetrics-text") && !takesText ? TExpositionFormat::OpenMetrics
                                                                         : TExpositionFormat::PrometheusText;
}

QByteArray ContentType(TExpositionFormat format)
{
    return format == TExpositionFormat::OpenMetrics
             ? QByteArrayLiteral("application/openmetrics-text; version=1.0.0; charset=utf-8")
             : QByteArrayLiteral("text/plain; version=0.0.4; charset=utf-8");
}

QByteArray RenderValues(const TMetricsSnapshot& snapshot, TExpositionFormat format)
{
    TFamilies families(snapshot.names.get(), format);
    for (const TResultRow& row : snapshot.rows)
        for (const TResultCell& cell : row.cells)
            families.Add(cell);
    return families.Text();
}

QByteArray RenderStatus(const TMetricsStatus& status, TExpositionFormat format)
{
    QByteArray out;
    const auto gauge = [&out](const char* name, const char* help, const QByteArray& value) {
        out.append("# HELP ").append(name).append(' ').append(help).append('\n');
        out.append("# TYPE ").append(name).append(" gauge\n");
        out.append(name).append(' ').append(value).append('\n');
    };
    gauge("vexgrid_up", "Whether the agent answers: 0 while it is silent.", status.up ? "1" : "0");
    gauge("vexgrid_last_shoot_timestamp_seconds", "When the last shoot finished, seconds since the epoch.",
          Seconds(status.lastShootWallMs));
    gauge("vexgrid_shoot_duration_seconds", "How long the last shoot took.", Seconds(status.shootDurationMs));
    if (format == TExpositionFormat::OpenMetrics)
        out.append("# EOF\n");
    return out;
}
