#include "platform/qt/recentlyused.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QUrl>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <exception>
#include <vector>

#include "platform/replacementfile.h"

namespace quillon {

namespace {

constexpr auto kBookmarkNs = "http://www.freedesktop.org/standards/desktop-bookmarks";
constexpr auto kMimeNs = "http://www.freedesktop.org/standards/shared-mime-info";
constexpr auto kMetadataOwner = "http://freedesktop.org";
constexpr auto kAppName = "Quillon";
constexpr auto kAppExec = "quillon %u";

QString Stamp(const QDateTime& time) {
  return time.toUTC().toString(Qt::ISODateWithMs);
}

// A line break and the indentation of a nesting level, as other programs lay the list out.
void Indent(QXmlStreamWriter& out, int level) {
  out.writeCharacters("\n" + QString(2 * level, ' '));
}

void WriteApplication(QXmlStreamWriter& out, const TRecentUse& use, int count, int level) {
  Indent(out, level);
  out.writeEmptyElement(kBookmarkNs, "application");
  out.writeAttribute("name", kAppName);
  out.writeAttribute("exec", kAppExec);
  out.writeAttribute("modified", Stamp(use.time));
  out.writeAttribute("count", QString::number(count));
}

void WriteMimeType(QXmlStreamWriter& out, const TRecentUse& use, int level) {
  Indent(out, level);
  out.writeEmptyElement(kMimeNs, "mime-type");
  out.writeAttribute("type", use.mimeType);
}

void WriteApplications(QXmlStreamWriter& out, const TRecentUse& use, int level) {
  Indent(out, level);
  out.writeStartElement(kBookmarkNs, "applications");
  WriteApplication(out, use, 1, level + 1);
  Indent(out, level);
  out.writeEndElement();
}

void WriteMetadata(QXmlStreamWriter& out, const TRecentUse& use, int level) {
  Indent(out, level);
  out.writeStartElement("metadata");
  out.writeAttribute("owner", kMetadataOwner);
  WriteMimeType(out, use, level + 1);
  WriteApplications(out, use, level + 1);
  Indent(out, level);
  out.writeEndElement();
}

void WriteInfo(QXmlStreamWriter& out, const TRecentUse& use, int level) {
  Indent(out, level);
  out.writeStartElement("info");
  WriteMetadata(out, use, level + 1);
  Indent(out, level);
  out.writeEndElement();
}

// Levels of the elements inside a bookmark, which sits at level 1 under the list's root.
constexpr int kInfoLevel = 2, kMetadataLevel = 3, kApplicationsLevel = 4, kApplicationLevel = 5;

void WriteNewBookmark(QXmlStreamWriter& out, const TRecentUse& use) {
  out.writeCharacters("  ");
  out.writeStartElement("bookmark");
  out.writeAttribute("href", use.href);
  out.writeAttribute("added", Stamp(use.time));
  out.writeAttribute("modified", Stamp(use.time));
  out.writeAttribute("visited", Stamp(use.time));
  WriteInfo(out, use, kInfoLevel);
  Indent(out, 1);
  out.writeEndElement();
  out.writeCharacters("\n");
}

bool SameFile(const QString& href, const TRecentUse& use) {
  if (href == use.href) return true;
  // Another program may encode the same name differently.
  const QUrl theirs(href), ours(use.href);
  return theirs.isLocalFile() && ours.isLocalFile() && theirs.toLocalFile() == ours.toLocalFile();
}

// Copies the reader's tokens to the writer, changing only what the use touches.
class TMerger {
 public:
  TMerger(QXmlStreamReader& in, QXmlStreamWriter& out, const TRecentUse& use)
      : in_(in), out_(out), use_(use) {}

  bool Run() {
    bool sawRoot = false;
    while (!in_.atEnd()) {
      in_.readNext();
      if (in_.hasError()) return false;
      if (in_.isStartElement()) {
        if (path_.empty()) {
          if (in_.name() != QLatin1String("xbel") || !in_.namespaceUri().isEmpty()) return false;
          sawRoot = true;
        }
        StartElement();
      } else if (in_.isEndElement()) {
        EndElement();
      } else {
        out_.writeCurrentToken(in_);
      }
    }
    return sawRoot && !in_.hasError();
  }

 private:
  struct TOpen {
    QString name;
    QString ns;
    bool ourMetadata = false;
  };

  bool InMatch() const { return matchDepth_ > 0; }

  void StartElement() {
    TOpen open{in_.name().toString(), in_.namespaceUri().toString()};
    const bool plain = open.ns.isEmpty();
    if (plain && open.name == QLatin1String("bookmark") && path_.size() == 1 &&
        SameFile(in_.attributes().value("href").toString(), use_)) {
      found_ = true;
      matchDepth_ = 2;
      sawInfo_ = sawMetadata_ = sawApps_ = wroteMime_ = wroteApp_ = false;
      CopyStartWith({{"modified", Stamp(use_.time)}, {"visited", Stamp(use_.time)}});
    } else if (InMatch() && plain && open.name == QLatin1String("info") && path_.size() == 2) {
      sawInfo_ = true;
      out_.writeCurrentToken(in_);
    } else if (InMatch() && plain && open.name == QLatin1String("metadata") && path_.size() == 3 &&
               in_.attributes().value("owner") == QLatin1String(kMetadataOwner)) {
      sawMetadata_ = true;
      open.ourMetadata = true;
      out_.writeCurrentToken(in_);
    } else if (InMatch() && InOurMetadata() && open.ns == QLatin1String(kMimeNs) &&
               open.name == QLatin1String("mime-type")) {
      wroteMime_ = true;
      CopyStartWith({{"type", use_.mimeType}});
    } else if (InMatch() && InOurMetadata() && open.ns == QLatin1String(kBookmarkNs) &&
               open.name == QLatin1String("applications")) {
      sawApps_ = true;
      out_.writeCurrentToken(in_);
    } else if (InMatch() && open.ns == QLatin1String(kBookmarkNs) &&
               open.name == QLatin1String("application") && !path_.empty() &&
               path_.back().name == QLatin1String("applications") &&
               in_.attributes().value("name") == QLatin1String(kAppName)) {
      wroteApp_ = true;
      const int count = in_.attributes().value("count").toInt();
      CopyStartWith({{"exec", kAppExec},
                     {"modified", Stamp(use_.time)},
                     {"count", QString::number(std::max(count, 0) + 1)}});
    } else {
      out_.writeCurrentToken(in_);
    }
    path_.push_back(open);
  }

  void EndElement() {
    const TOpen open = path_.back();
    path_.pop_back();
    if (path_.empty() && !found_) WriteNewBookmark(out_, use_);
    if (InMatch()) {
      if (open.ns == QLatin1String(kBookmarkNs) && open.name == QLatin1String("applications") &&
          InOurMetadata() && !wroteApp_) {
        WriteApplication(out_, use_, 1, kApplicationLevel);
        wroteApp_ = true;
      } else if (open.ourMetadata) {
        if (!wroteMime_) WriteMimeType(out_, use_, kApplicationsLevel);
        if (!sawApps_) WriteApplications(out_, use_, kApplicationsLevel);
      } else if (open.ns.isEmpty() && open.name == QLatin1String("info") && path_.size() == 2 &&
                 !sawMetadata_) {
        WriteMetadata(out_, use_, kMetadataLevel);
      } else if (path_.size() == 1) {
        if (!sawInfo_) WriteInfo(out_, use_, kInfoLevel);
        matchDepth_ = 0;
      }
    }
    out_.writeCurrentToken(in_);
  }

  bool InOurMetadata() const {
    for (const TOpen& open : path_)
      if (open.ourMetadata) return true;
    return false;
  }

  // The current start element with some attributes replaced or added; the rest as they were.
  void CopyStartWith(const std::vector<std::pair<QString, QString>>& changes) {
    out_.writeStartElement(in_.namespaceUri().toString(), in_.name().toString());
    for (const QXmlStreamNamespaceDeclaration& declaration : in_.namespaceDeclarations())
      out_.writeNamespace(declaration.namespaceUri().toString(), declaration.prefix().toString());
    QXmlStreamAttributes attributes = in_.attributes();
    for (const auto& [name, value] : changes) {
      bool replaced = false;
      for (QXmlStreamAttribute& attribute : attributes) {
        if (attribute.namespaceUri().isEmpty() && attribute.name() == name) {
          attribute = QXmlStreamAttribute(name, value);
          replaced = true;
        }
      }
      if (!replaced) attributes.append(name, value);
    }
    out_.writeAttributes(attributes);
  }

  QXmlStreamReader& in_;
  QXmlStreamWriter& out_;
  const TRecentUse& use_;
  std::vector<TOpen> path_;
  bool found_ = false;
  int matchDepth_ = 0;
  bool sawInfo_ = false, sawMetadata_ = false, sawApps_ = false;
  bool wroteMime_ = false, wroteApp_ = false;
};

QByteArray NewList(const TRecentUse& use) {
  QByteArray bytes;
  QXmlStreamWriter out(&bytes);
  out.writeStartDocument("1.0");
  out.writeCharacters("\n");
  out.writeStartElement("xbel");
  out.writeAttribute("version", "1.0");
  out.writeNamespace(kBookmarkNs, "bookmark");
  out.writeNamespace(kMimeNs, "mime");
  out.writeCharacters("\n");
  WriteNewBookmark(out, use);
  out.writeEndElement();
  out.writeEndDocument();
  return bytes;
}

}  // namespace

TRecentUse RecentUseOf(const std::string& path, const QDateTime& time) {
  const QString file = QFileInfo(QString::fromStdString(path)).absoluteFilePath();
  const QMimeType type = QMimeDatabase().mimeTypeForFile(file);
  return {QString::fromLatin1(QUrl::fromLocalFile(file).toEncoded()),
          type.isValid() ? type.name() : QStringLiteral("application/octet-stream"), time.toUTC()};
}

QString RecentlyUsedFile() {
  QString folder = qEnvironmentVariable("XDG_DATA_HOME");
  if (folder.isEmpty() || QDir::isRelativePath(folder)) folder = QDir::homePath() + "/.local/share";
  return folder + "/recently-used.xbel";
}

std::optional<QByteArray> MergeRecentUse(const QByteArray& existing, const TRecentUse& use) {
  if (existing.trimmed().isEmpty()) return NewList(use);
  QByteArray merged;
  QXmlStreamReader in(existing);
  QXmlStreamWriter out(&merged);
  if (!TMerger(in, out, use).Run()) return std::nullopt;
  return merged;
}

TRecentlyUsedResult AddRecentUse(const QString& listFile, const TRecentUse& use) {
  QByteArray existing;
  QFile current(listFile);
  if (current.exists()) {
    if (!current.open(QIODevice::ReadOnly)) return TRecentlyUsedResult::kBroken;
    existing = current.readAll();
    current.close();
  }
  const std::optional<QByteArray> merged = MergeRecentUse(existing, use);
  if (!merged) return TRecentlyUsedResult::kBroken;
  if (!QDir().mkpath(QFileInfo(listFile).absolutePath())) return TRecentlyUsedResult::kUnwritable;
  // Not QSaveFile: it does not tell of a failed flush and leaves the folder unflushed.
  try {
    WriteFileDurably(QFile::encodeName(listFile).toStdString(), merged->constData(),
                     static_cast<size_t>(merged->size()));
  } catch (const std::exception&) {
    return TRecentlyUsedResult::kUnwritable;
  }
  return TRecentlyUsedResult::kAdded;
}

}  // namespace quillon
