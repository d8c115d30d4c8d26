// SPDX-License-Identifier: GPL-3.0-or-later

#include "report/pdfconcat.h"

#include <QRegularExpression>

#include <algorithm>
#include <map>
#include <vector>

namespace varnel::report {

namespace {

// One document's objects, as byte ranges found through its cross-reference table.
struct Document {
    QByteArray bytes;
    qsizetype firstObject = 0;             // where the header lines end
    std::map<int, QByteArrayView> objects; // number -> "N 0 obj ... endobj\n"
    int root = 0;
    int info = 0;
    int size = 0; // the table's size: objects are numbered 1 .. size - 1
};

std::optional<int> referenceAfter(QByteArrayView text, QByteArrayView key)
{
    static const QRegularExpression reference(QStringLiteral("^\\s*(\\d+) 0 R"));
    const qsizetype at = text.indexOf(key);
    if (at < 0)
        return std::nullopt;
    const QString rest =
        QString::fromLatin1(text.sliced(at + key.size()).first(std::min<qsizetype>(32, text.size() - at - key.size())));
    const QRegularExpressionMatch match = reference.match(rest);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toInt();
}

std::optional<Document> parse(const QByteArray& bytes)
{
    Document document{bytes, 0, {}, 0, 0, 0};
    const qsizetype startxref = bytes.lastIndexOf("startxref");
    if (startxref < 0)
        return std::nullopt;
    bool ok = false;
    const qsizetype xref = bytes.mid(startxref + 9, 24).trimmed().split('\n').value(0).trimmed().toLongLong(&ok);
    if (!ok || xref <= 0 || xref >= bytes.size() || !bytes.mid(xref).startsWith("xref"))
        return std::nullopt;
    // "xref\n0 N\n" then N entries of 20 bytes.
    const qsizetype header = bytes.indexOf('\n', xref) + 1;
    const qsizetype headerEnd = bytes.indexOf('\n', header);
    const QList<QByteArray> range = bytes.mid(header, headerEnd - header).trimmed().split(' ');
    if (range.size() != 2 || range[0] != "0")
        return std::nullopt;
    document.size = range[1].toInt(&ok);
    if (!ok || document.size < 2)
        return std::nullopt;
    std::vector<std::pair<qsizetype, int>> starts; // offset, number
    for (int number = 1; number < document.size; ++number) {
        const qsizetype entry = headerEnd + 1 + qsizetype(number) * 20;
        if (entry + 20 > bytes.size())
            return std::nullopt;
        const QByteArray line = bytes.mid(entry, 18);
        if (line.endsWith('n'))
            starts.emplace_back(line.left(10).toLongLong(), number);
    }
    std::sort(starts.begin(), starts.end());
    if (starts.empty())
        return std::nullopt;
    document.firstObject = starts.front().first;
    for (size_t i = 0; i < starts.size(); ++i) {
        const qsizetype begin = starts[i].first;
        const qsizetype end = i + 1 < starts.size() ? starts[i + 1].first : xref;
        if (begin <= 0 || end > bytes.size() || end <= begin)
            return std::nullopt;
        document.objects[starts[i].second] = QByteArrayView(bytes).sliced(begin, end - begin);
    }
    const qsizetype trailerStart = bytes.lastIndexOf("trailer");
    if (trailerStart < 0)
        return std::nullopt;
    const QByteArrayView trailer = QByteArrayView(bytes).sliced(trailerStart);
    const std::optional<int> root = referenceAfter(trailer, "/Root");
    const std::optional<int> info = referenceAfter(trailer, "/Info");
    if (!root || !document.objects.count(*root))
        return std::nullopt;
    document.root = *root;
    document.info = info.value_or(0);
    return document;
}

// The part of an object before its stream data, where all its references are.
qsizetype dictionaryEnd(QByteArrayView object)
{
    const qsizetype stream = object.indexOf(">>\nstream\n");
    return stream < 0 ? object.size() : stream + 2;
}

// `object` with its number and every "N 0 R" of its dictionary moved up by `shift`.
QByteArray renumbered(QByteArrayView object, int shift)
{
    static const QRegularExpression reference(QStringLiteral("(\\d+) 0 (R|obj)\\b"));
    const qsizetype end = dictionaryEnd(object);
    const QString head = QString::fromLatin1(object.first(end));
    QString out;
    qsizetype copied = 0;
    for (QRegularExpressionMatchIterator it = reference.globalMatch(head); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        out += QStringView(head).sliced(copied, match.capturedStart() - copied);
        out += QString::number(match.captured(1).toInt() + shift) + QStringLiteral(" 0 ") + match.captured(2);
        copied = match.capturedEnd();
    }
    out += QStringView(head).sliced(copied);
    return out.toLatin1() + object.sliced(end).toByteArray();
}

} // namespace

std::optional<QByteArray> concatenatePdf(const QByteArray& firstBytes, const QByteArray& secondBytes)
{
    const std::optional<Document> first = parse(firstBytes);
    const std::optional<Document> second = parse(secondBytes);
    if (!first || !second)
        return std::nullopt;
    const std::optional<int> firstPages = referenceAfter(first->objects.at(first->root), "/Pages");
    const std::optional<int> secondPages = referenceAfter(second->objects.at(second->root), "/Pages");
    if (!firstPages || !secondPages || !first->objects.count(*firstPages) || !second->objects.count(*secondPages))
        return std::nullopt;
    const int shift = first->size - 1;

    // The first page tree gains the second as its last kid, and counts its pages too.
    static const QRegularExpression count(QStringLiteral("/Count (\\d+)"));
    const QByteArrayView firstTree = first->objects.at(*firstPages);
    const QByteArrayView secondTree = second->objects.at(*secondPages);
    const QRegularExpressionMatch firstCount = count.match(QString::fromLatin1(firstTree));
    const QRegularExpressionMatch secondCount = count.match(QString::fromLatin1(secondTree));
    const qsizetype kidsEnd = firstTree.indexOf(']', firstTree.indexOf("/Kids"));
    if (!firstCount.hasMatch() || !secondCount.hasMatch() || kidsEnd < 0)
        return std::nullopt;
    QByteArray tree = firstTree.first(kidsEnd).toByteArray() + QByteArray::number(*secondPages + shift) + " 0 R\n" +
                      firstTree.sliced(kidsEnd).toByteArray();
    tree.replace("/Count " + firstCount.captured(1).toLatin1(),
                 "/Count " + QByteArray::number(firstCount.captured(1).toInt() + secondCount.captured(1).toInt()));

    QByteArray out = firstBytes.left(first->firstObject); // the header lines
    std::vector<qsizetype> offsets(size_t(shift + second->size), 0);
    for (const auto& [number, object] : first->objects) {
        offsets[size_t(number)] = out.size();
        out += number == *firstPages ? QByteArrayView(tree) : object;
    }
    for (const auto& [number, object] : second->objects) {
        offsets[size_t(number) + size_t(shift)] = out.size();
        QByteArray moved = renumbered(object, shift);
        if (number == *secondPages) // the second tree now hangs below the first
            moved.replace("/Type /Pages", "/Type /Pages\n/Parent " + QByteArray::number(*firstPages) + " 0 R");
        out += moved;
    }

    const qsizetype xref = out.size();
    out += "xref\n0 " + QByteArray::number(qsizetype(offsets.size())) + "\n0000000000 65535 f \n";
    for (size_t number = 1; number < offsets.size(); ++number) {
        if (offsets[number] == 0)
            out += "0000000000 65535 f \n";
        else
            out += QByteArray::number(offsets[number]).rightJustified(10, '0') + " 00000 n \n";
    }
    out += "trailer\n<<\n/Size " + QByteArray::number(qsizetype(offsets.size())) + '\n';
    if (first->info != 0)
        out += "/Info " + QByteArray::number(first->info) + " 0 R\n";
    out +=
        "/Root " + QByteArray::number(first->root) + " 0 R\n>>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

} // namespace varnel::report
