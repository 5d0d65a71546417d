#include "resourcesource.h"

#include <QDir>

#include <windows.h>

namespace {

BOOL CALLBACK TakeLanguage(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR context) {
  auto* resources = reinterpret_cast<QList<Resource>*>(context);
  HRSRC found = ::FindResourceExW(module, type, name, language);
  HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
  if (!loaded) return TRUE;
  const char* data = static_cast<const char*>(::LockResource(loaded));
  const quint16 id = IS_INTRESOURCE(name) ? static_cast<quint16>(reinterpret_cast<quintptr>(name)) : 0;
  resources->append({static_cast<quint16>(reinterpret_cast<quintptr>(type)), id, language,
                     QByteArray(data, static_cast<qsizetype>(::SizeofResource(module, found)))});
  return TRUE;
}

BOOL CALLBACK TakeName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR context) {
  ::EnumResourceLanguagesW(module, type, name, TakeLanguage, context);
  return TRUE;
}

BOOL CALLBACK TakeType(HMODULE module, LPWSTR type, LONG_PTR context) {
  // Only numbered types: the program's own manifest, record and icons are.
  if (IS_INTRESOURCE(type)) ::EnumResourceNamesW(module, type, TakeName, context);
  return TRUE;
}

}  // namespace

// Read back from the built program itself, as Windows sees it.
QList<Resource> LoadProgramResources(const QString& program, QString& whyNot) {
  const QString file =
      program == QLatin1String("entw-join") ? QStringLiteral(ENTW_JOIN_EXE_PATH) : QStringLiteral(ENTW_EXE_PATH);
  const std::wstring path = QDir::toNativeSeparators(file).toStdWString();
  HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) {
    whyNot = QStringLiteral("cannot open %1 (Windows error %2)").arg(file).arg(::GetLastError());
    return {};
  }
  QList<Resource> resources;
  ::EnumResourceTypesW(module, TakeType, reinterpret_cast<LONG_PTR>(&resources));
  ::FreeLibrary(module);
  return resources;
}
