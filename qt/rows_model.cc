#include "qt/rows_model.h"

#include <QImage>
#include <QPixmap>

namespace glnamelist::qt {

QString ShownText(std::string_view text) {
  if (text.size() <= kShownBytes) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  }
  size_t end = kShownBytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(end)) + QStringLiteral("…");
}

RowsModel::RowsModel(listkit::ListRows& rows, std::function<void(const std::exception&)> report)
    : rows_(rows), report_(std::move(report)) {}

void RowsModel::Reset() {
  beginResetModel();
  count_ = rows_.Rows();
  cells_ = rows_.ShownColumns();
  endResetModel();
}

int RowsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(count_);
}

int RowsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(cells_.size()) + 1;
}

QVariant RowsModel::data(const QModelIndex& index, int role) const {
  bool picture = index.column() == 0 && role == Qt::DecorationRole;
  bool text = index.column() > 0 && role == Qt::DisplayRole;
  bool spoken = role == Qt::AccessibleTextRole;
  if (!index.isValid() || (!picture && !text && !spoken)) return {};
  long number = index.row() + 1;
  const listkit::ListRows::Row* row = &rows_.Peek(number);
  try {
    row = &rows_.Fetch(number);
  } catch (const std::exception& e) {
    report_(e);
  }
  if (picture) return row->picture ? IconOf(row->picture) : QVariant();
  if (spoken) return SpokenRow(*row);
  return CellText(*row, CellOf(index.column()));
}

QString RowsModel::CellText(const listkit::ListRows::Row& row, int cell) const {
  if (cell == 0 && listkit::ListRows::RepeatsFullCode(row)) return QString();
  return ShownText(row.cells[static_cast<size_t>(cell)]);
}

QString RowsModel::SpokenRow(const listkit::ListRows::Row& row) const {
  QStringList texts;
  for (int cell : cells_) {
    if (QString text = CellText(row, cell); !text.isEmpty()) texts << text;
  }
  return texts.join(' ');
}

const QIcon& RowsModel::IconOf(const PicturePtr& picture) const {
  auto it = icons_.find(picture);
  if (it != icons_.end()) return it->second;
  QImage image(picture->Width(), picture->Height(), QImage::Format_ARGB32);
  const std::vector<uint32_t>& pixels = picture->Pixels();
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      uint32_t rgba = pixels[static_cast<size_t>(y * image.width() + x)];
      image.setPixel(x, y, qRgba(rgba >> 24, (rgba >> 16) & 0xFF, (rgba >> 8) & 0xFF, rgba & 0xFF));
    }
  }
  // Drawn pixel for pixel, also on a screen of twice the density: a picture this small
  // would only blur when smoothed.
  QIcon icon(QPixmap::fromImage(image));
  QPixmap doubled = QPixmap::fromImage(
      image.scaled(image.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation));
  doubled.setDevicePixelRatio(2);
  icon.addPixmap(doubled);
  return icons_.emplace(picture, icon).first->second;
}

}  // namespace glnamelist::qt
