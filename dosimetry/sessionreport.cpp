#include "sessionreport.h"

#include "flagtexts.h"
#include "reporttexts.h"

#include "resources/language.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

using Text = ReportTexts::Text;

namespace {

QLocale numbers()
{
    QLocale locale(currentLanguage() == Language::French ? QLocale::French : QLocale::English);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

QString number(double value, int decimals)
{
    return numbers().toString(value, 'f', decimals);
}

// RFC 3339 in UTC, as the record keeps times, shown in local time with its offset.
QString local(const QString &utc)
{
    const QDateTime t = QDateTime::fromString(utc, Qt::ISODate).toLocalTime();
    return t.isValid() ? t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODate) : utc;
}

struct Column {
    const char *title; // a symbol, the same in every language
    qreal width;       // of the line's width
};

// ID, A, A0, t, Δk, D, U, flags.
const Column kColumns[] = {{"ID", 0.15},        {"A", 0.08}, {"A0", 0.08}, {"t (µm)", 0.08},
                           {"Δk (1/mm)", 0.11}, {"D", 0.10}, {"U", 0.08},  {"", 0.32}};

QStringList row(const DosimeterResult &r)
{
    QStringList flags;
    for (const QString &f : r.flags)
        flags << FlagTexts::flag(f);
    if (!r.noDose.isEmpty())
        flags << FlagTexts::flag(r.noDose);
    return {r.dosimeter,
            number(r.absorbance, 4),
            number(r.background, 4),
            number(r.thickness, 1),
            number(r.specific, 4),
            r.dose ? number(*r.dose, 1) : QString(),
            r.dose ? number(r.doseUncertainty, 1) : QString(),
            flags.join(QStringLiteral(", "))};
}

// Lays the report out page by page; without a painter it only counts the pages.
class Sheet {
public:
    Sheet(QPdfWriter *writer, QPainter *painter, int pages, qint64 session)
        : m_writer(writer)
        , m_painter(painter)
        , m_pages(pages)
        , m_session(session)
    {
        const QPageLayout layout = writer->pageLayout();
        m_area = QRectF(QPointF(0, 0), layout.paintRectPixels(writer->resolution()).size());
        m_footer = QFontMetricsF(font(8, false), writer).height() * 2;
        m_y = 0;
    }

    int pages() const { return m_page; }

    QFont font(qreal points, bool bold) const
    {
        QFont f(QStringLiteral("Liberation Sans"));
        f.setPointSizeF(points);
        f.setBold(bold);
        return f;
    }

    // Text across the page, wrapped.
    void paragraph(const QString &text, qreal points = 10, bool bold = false, qreal after = 0.3)
    {
        const QFont f = font(points, bold);
        const QRectF box = bounds(f, QRectF(0, 0, m_area.width(), 1e6), text);
        room(box.height());
        draw(f, QRectF(0, m_y, m_area.width(), box.height()), text);
        m_y += box.height() + after * QFontMetricsF(f, m_writer).height();
    }

    // A label and its value, the labels in one column.
    void field(const QString &label, const QString &value)
    {
        const QFont bold = font(10, true);
        const QFont plain = font(10, false);
        const qreal labels = m_area.width() * 0.22;
        const QRectF box = bounds(plain, QRectF(0, 0, m_area.width() - labels, 1e6), value);
        room(box.height());
        draw(bold, QRectF(0, m_y, labels, box.height()), label);
        draw(plain, QRectF(labels, m_y, m_area.width() - labels, box.height()), value);
        m_y += box.height() * 1.15;
    }

    void tableRow(const QStringList &cells, bool header)
    {
        const QFont f = font(9, header);
        qreal height = 0;
        qreal x = 0;
        QList<QRectF> boxes;
        for (int i = 0; i < cells.size(); ++i) {
            const qreal w = m_area.width() * kColumns[i].width;
            boxes << QRectF(x, 0, w * 0.96, 1e6);
            height = std::max(height, bounds(f, boxes.last(), cells[i]).height());
            x += w;
        }
        if (!room(height * 1.2) && !header)
            tableRow(m_header, true);
        for (int i = 0; i < cells.size(); ++i)
            draw(f, QRectF(boxes[i].x(), m_y, boxes[i].width(), height), cells[i]);
        m_y += height * 1.2;
        if (header && m_painter)
            m_painter->drawLine(QPointF(0, m_y - height * 0.1),
                                QPointF(m_area.width(), m_y - height * 0.1));
    }

    void startTable(const QStringList &header)
    {
        m_header = header;
        tableRow(header, true);
    }

    void finish() { footer(); }

private:
    QRectF bounds(const QFont &f, const QRectF &box, const QString &text) const
    {
        return QFontMetricsF(f, m_writer).boundingRect(box, Qt::TextWordWrap, text);
    }

    void draw(const QFont &f, const QRectF &box, const QString &text)
    {
        if (!m_painter)
            return;
        m_painter->setFont(f);
        m_painter->drawText(box, Qt::TextWordWrap, text);
    }

    // Whether `height` fits on this page; otherwise a new one.
    bool room(qreal height)
    {
        if (m_y + height <= m_area.height() - m_footer || m_y == 0)
            return true;
        footer();
        if (m_painter)
            m_writer->newPage();
        ++m_page;
        m_y = 0;
        return false;
    }

    void footer()
    {
        if (!m_painter)
            return;
        const QFont f = font(8, false);
        const QRectF box(0, m_area.height() - m_footer * 0.6, m_area.width(), m_footer * 0.6);
        m_painter->setFont(f);
        m_painter->drawText(box, Qt::AlignLeft | Qt::AlignBottom,
                            ReportTexts::text(Text::Session) + u' ' + QString::number(m_session));
        m_painter->drawText(box, Qt::AlignRight | Qt::AlignBottom,
                            ReportTexts::page(m_page, m_pages));
    }

    QPdfWriter *m_writer;
    QPainter *m_painter;
    int m_pages;
    qint64 m_session;
    QRectF m_area;
    qreal m_footer = 0;
    qreal m_y = 0;
    int m_page = 1;
    QStringList m_header;
};

void lay(Sheet &sheet, const SessionSummary &s, const QString &heading)
{
    const Session &session = s.session;
    if (!heading.isEmpty())
        sheet.paragraph(heading, 13, true);
    sheet.paragraph(ReportTexts::text(Text::Title), 16, true, 0.8);
    sheet.field(ReportTexts::text(Text::Session),
                QStringLiteral("%1, %2")
                    .arg(session.id)
                    .arg(ReportTexts::text(session.ended ? Text::Ended : Text::NotEnded)));
    sheet.field(ReportTexts::text(Text::Started), local(session.started));
    sheet.field(ReportTexts::text(Text::Operator), session.operatorName);
    if (!session.purpose.isEmpty())
        sheet.field(ReportTexts::text(Text::Purpose), session.purpose);
    sheet.field(
        ReportTexts::text(Text::Batch),
        QStringLiteral("%1%2, t = %3 ± %4 µm")
            .arg(session.batch,
                 s.batch.lot.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(s.batch.lot),
                 number(session.nominalThickness, 1), number(session.thicknessUncertainty, 1)));
    sheet.field(ReportTexts::text(Text::Reader),
                QStringLiteral("%1 (%2)").arg(session.reader, s.reader.serial));
    sheet.field(ReportTexts::text(Text::Wavelength),
                QStringLiteral("%1 nm").arg(session.wavelength));
    sheet.field(ReportTexts::text(Text::Background),
                QStringLiteral("%1 (n = %2, s = %3)")
                    .arg(number(session.background.mean, 4))
                    .arg(session.background.count)
                    .arg(number(session.background.deviation, 4)));
    if (s.calibration) {
        const Calibration &c = *s.calibration;
        sheet.field(ReportTexts::text(Text::Calibration),
                    ReportTexts::calibration(c.id, c.fit.form.name(), c.version, c.approvedBy,
                                             local(c.approvedAt), c.expires.toString(Qt::ISODate)));
    } else {
        sheet.field(ReportTexts::text(Text::Calibration),
                    s.noDose.isEmpty() ? ReportTexts::text(Text::NoCalibration)
                                       : FlagTexts::flag(s.noDose));
    }
    if (s.check) {
        const DayCheck &c = *s.check;
        sheet.field(ReportTexts::text(Text::DayCheck),
                    ReportTexts::dayCheck(c.standard, local(c.time),
                                          number(c.measured.absorbance, 4), number(c.certified, 4),
                                          number(c.tolerance, 4), c.passed));
    } else {
        sheet.field(ReportTexts::text(Text::DayCheck), ReportTexts::text(Text::NoDayCheck));
    }
    sheet.paragraph({}, 6);
    sheet.paragraph(ReportTexts::text(Text::Results), 11, true);
    QStringList header;
    for (const Column &c : kColumns)
        header << QString::fromUtf8(c.title);
    header.last() = ReportTexts::text(Text::Flags);
    sheet.startTable(header);
    for (const DosimeterResult &r : s.results)
        sheet.tableRow(row(r), false);
    sheet.paragraph({}, 6);
    sheet.paragraph(ReportTexts::text(Text::Signatures), 11, true);
    if (s.signatures.isEmpty())
        sheet.paragraph(ReportTexts::text(Text::NoSignatures));
    for (const Signature &sig : s.signatures)
        sheet.paragraph(ReportTexts::signature(sig.meaning, sig.user, local(sig.time)));
    sheet.finish();
}

} // namespace

Status SessionReport::write(const SessionSummary &summary, const QString &heading,
                            const QString &path)
{
    const auto notWritten = [&](const QString &why) {
        return Failure{Failure::RecordNotWritten,
                       inLanguage("The report was not written to %1 (%2)",
                                  "Le rapport n'a pas été écrit dans %1 (%2)")
                           .arg(path, why)};
    };
    // Told before QPdfWriter, which says nothing when it cannot write.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return notWritten(file.errorString());
    QPdfWriter writer(&file);
    writer.setResolution(300);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setTitle(ReportTexts::text(Text::Title) + u' ' + QString::number(summary.session.id));
    writer.setCreator(QStringLiteral("zav41k-dosimetry"));
    Sheet counting(&writer, nullptr, 0, summary.session.id);
    lay(counting, summary, heading);
    QPainter painter;
    if (!painter.begin(&writer))
        return notWritten(QStringLiteral("no painter"));
    Sheet sheet(&writer, &painter, counting.pages(), summary.session.id);
    lay(sheet, summary, heading);
    painter.end();
    file.close();
    if (file.error() != QFileDevice::NoError)
        return notWritten(file.errorString());
    return {};
}
