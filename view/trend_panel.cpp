#include "view/trend_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "view/trend_export.h"
#include "view/trend_plot.h"

namespace kt::view {

namespace {

QString Utf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The export sizes offered beside "as shown" (any other can be typed in).
constexpr QSize kExportSizes[] = {{1200, 800}, {1920, 1080}, {3840, 2160}};

}  // namespace

TrendPanel::TrendPanel(QWidget* parent) : QWidget(parent) {
    plot_ = new TrendPlot;
    plot_->setObjectName(QStringLiteral("chtTrend"));
    plot_->setToolTip(QString::fromUtf8(kTrendMouseHelp));

    follow_ = new QPushButton(QStringLiteral("跟随 (Follow)"));
    follow_->setObjectName(QStringLiteral("cmdTrendFollow"));
    follow_->setCheckable(true);
    follow_->setChecked(true);
    follow_->setToolTip(QStringLiteral("回到跟随数据流 (follow the stream again); 双击趋势图也可以 (or double-click the trend)"));

    timeAxis_ = new QComboBox;
    timeAxis_->setObjectName(QStringLiteral("cboTrendTime"));
    timeAxis_->addItems({QStringLiteral("秒 (s since start)"), QStringLiteral("UTC"), QStringLiteral("本地时间 (local)")});
    timeAxis_->setToolTip(QStringLiteral("时间轴 (time axis)"));

    valueAxis_ = new QComboBox;
    valueAxis_->setObjectName(QStringLiteral("cboTrendValue"));
    valueAxis_->addItems({QStringLiteral("读数单位 (unit)"), QStringLiteral("相对平均值 (offset from mean)"),
                          QStringLiteral("相对标称值 (offset from nominal)")});
    valueAxis_->setToolTip(QStringLiteral("数值轴 (value axis): 读数或相对偏差 (x − x₀)/x₀, 以 ppm, ppb 或 1e-12 标注"));
    nominal_ = new QLineEdit;
    nominal_->setObjectName(QStringLiteral("txtTrendNominal"));
    nominal_->setPlaceholderText(QStringLiteral("标称 (nominal)"));
    nominal_->setToolTip(QStringLiteral("标称值, 按读数的单位 (the nominal value in the readings' unit), e.g. 10 MHz, 10000000, 1.5 ms"));
    nominal_->setEnabled(false);
    nominal_->setMinimumWidth(120);
    nominal_->setMaximumWidth(170);

    drift_ = new QCheckBox(QStringLiteral("漂移线 (Drift line)"));
    drift_->setObjectName(QStringLiteral("chkTrendDrift"));
    drift_->setToolTip(QStringLiteral("最小二乘直线 (least-squares line of value against time)"));

    auto* exportButton = new QPushButton(QStringLiteral("导出 (Export)…"));
    exportButton->setObjectName(QStringLiteral("cmdTrendExport"));
    exportButton->setToolTip(QStringLiteral("趋势图导出为 PNG 或 SVG (the trend as PNG or SVG)"));
    exportSize_ = new QComboBox;
    exportSize_->setObjectName(QStringLiteral("cboTrendExportSize"));
    exportSize_->addItem(QStringLiteral("显示大小 (as shown)"));
    for (QSize s : kExportSizes) exportSize_->addItem(QStringLiteral("%1 × %2").arg(s.width()).arg(s.height()));
    exportSize_->setEditable(true);  // or any size typed in, e.g. 1600 x 900
    exportSize_->setInsertPolicy(QComboBox::NoInsert);
    exportSize_->setToolTip(QStringLiteral("导出的图片尺寸 (size of the exported picture): 显示大小, 或宽 × 高 (width × height), e.g. 1600 x 900"));

    message_ = new QLabel;
    message_->setObjectName(QStringLiteral("lblTrendMessage"));
    message_->setTextFormat(Qt::PlainText);
    message_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);  // a long message never widens the window
    // A line of its own below the controls, kept while empty so that the
    // chart does not change size with each message.
    message_->setFixedHeight(message_->fontMetrics().height());

    auto* controls = new QHBoxLayout;
    controls->setContentsMargins(0, 0, 0, 0);
    controls->addWidget(follow_);
    controls->addWidget(timeAxis_);
    controls->addWidget(valueAxis_);
    controls->addWidget(nominal_);
    controls->addWidget(drift_);
    controls->addStretch(1);
    controls->addWidget(exportSize_);
    controls->addWidget(exportButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(controls);
    layout->addWidget(message_);
    layout->addWidget(plot_, 1);

    connect(follow_, &QPushButton::clicked, this, [this] {
        follow_->setChecked(true);
        plot_->Follow();
    });
    connect(plot_, &TrendPlot::followingChanged, follow_, &QPushButton::setChecked);
    connect(timeAxis_, &QComboBox::currentIndexChanged, this, [this](int index) {
        plot_->SetTimeAxis(static_cast<TrendPlot::TimeAxis>(index));
    });
    connect(valueAxis_, &QComboBox::currentIndexChanged, this, [this] { ApplyValueAxis(); });
    connect(nominal_, &QLineEdit::editingFinished, this, [this] { ApplyValueAxis(); });
    connect(drift_, &QCheckBox::toggled, plot_, &TrendPlot::SetDriftShown);
    connect(exportButton, &QPushButton::clicked, this, [this] {
        if (dialog_ == nullptr) {
            dialog_ = new QFileDialog(this, QStringLiteral("导出趋势图 (Export the trend)"));
            dialog_->setAcceptMode(QFileDialog::AcceptSave);
            dialog_->setNameFilters({QStringLiteral("PNG (*.png)"), QStringLiteral("SVG (*.svg)")});
            dialog_->setDefaultSuffix(QStringLiteral("png"));
            connect(dialog_, &QFileDialog::filterSelected, dialog_, [this](const QString& filter) {
                dialog_->setDefaultSuffix(filter.contains(QLatin1String("svg")) ? QStringLiteral("svg") : QStringLiteral("png"));
            });
            connect(dialog_, &QFileDialog::fileSelected, this, [this](const QString& path) { Export(path); });
        }
        dialog_->open();
    });
}

void TrendPanel::SetSeriesUnit(Unit unit) {
    if (unit == unit_) return;
    unit_ = unit;
    if (valueAxis_->currentIndex() == 2) ApplyValueAxis();
}

void TrendPanel::ApplyValueAxis() {
    const int index = valueAxis_->currentIndex();
    nominal_->setEnabled(index == 2);
    if (index != 2) {
        plot_->SetValueAxis(static_cast<TrendPlot::ValueAxis>(index));
        Say(QString());
        return;
    }
    const QString text = nominal_->text().trimmed();
    if (text.isEmpty()) {
        Say(QStringLiteral("请输入标称值 (type the nominal value, e.g. 10 MHz)"));
        return;
    }
    // The counter's own number form: digits, a point, a prefix and the unit.
    const ParsedValue nominal = ParseValue(text.toStdString());
    if (!nominal.has_value) {
        Say(QStringLiteral("标称值不是数字 (the nominal value is not a number): %1").arg(text));
    } else if (nominal.unit != Unit::None && nominal.unit != unit_) {
        Say(QStringLiteral("标称值的单位是 %1, 读数的是 %2 (the nominal value's unit is not the readings')")
                .arg(Utf8(UnitText(nominal.unit)), unit_ == Unit::None ? QStringLiteral("—") : Utf8(UnitText(unit_))));
    } else if (!plot_->SetValueAxis(TrendPlot::ValueAxis::FromNominal, nominal.value)) {
        Say(QStringLiteral("标称值不能为 0 (the nominal value must not be 0)"));
    } else {
        Say(QString());
    }
}

bool TrendPanel::Export(const QString& path) {
    QSize size = plot_->size();
    const QString chosen = exportSize_->currentText().trimmed();
    if (chosen != exportSize_->itemText(0)) {
        static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})\\s*[x×X*]\\s*(\\d{1,5})$"));
        const QRegularExpressionMatch m = pattern.match(chosen);
        if (!m.hasMatch()) {
            Say(QStringLiteral("图片尺寸应为 宽 × 高 (the size should be width × height), e.g. 1600 x 900: %1").arg(chosen));
            return false;
        }
        size = QSize(m.captured(1).toInt(), m.captured(2).toInt());
    }
    QString error;
    if (!ExportTrendPicture(*plot_, path, size, error)) {
        Say(error);
        return false;
    }
    Say(QStringLiteral("已导出 (exported) %1 × %2 → %3").arg(size.width()).arg(size.height()).arg(QFileInfo(path).fileName()));
    return true;
}

void TrendPanel::Say(const QString& message) {
    if (message_->text() != message) message_->setText(message);
    message_->setToolTip(message);
}

}  // namespace kt::view
