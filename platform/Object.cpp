#include "Object.h"

#include <QDebug>
#include <QFileInfo>

#include <cstdio>

const CRuntimeClass CObject::classCObject = {"CObject", int(sizeof(CObject)), 0xFFFF, nullptr, &CObject::_GetBaseClass};

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass *pBase) const
{
    for (const CRuntimeClass *p = this; p; p = p->m_pfnGetBaseClass ? p->m_pfnGetBaseClass() : nullptr)
        if (p == pBase)
            return TRUE;
    return FALSE;
}

const CRuntimeClass *CObject::GetRuntimeClass() const
{
    return &classCObject;
}
void CObject::Serialize(CArchive &) {}
void CObject::AssertValid() const {}
void CObject::Dump() const {}

BOOL CObject::IsKindOf(const CRuntimeClass *pClass) const
{
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}

namespace {
void (*g_assertHandler)(const char *, int) = nullptr;
}

void AfxSetAssertHandler(void (*handler)(const char *source, int line))
{
    g_assertHandler = handler;
}

void AfxAssertFailed(const char *file, int line)
{
    // Report the source name without folder and extension, as the debug runtime does.
    const QByteArray source = QFileInfo(QString::fromLocal8Bit(file)).completeBaseName().toLocal8Bit();
    if (g_assertHandler) {
        g_assertHandler(source.constData(), line);
        return;
    }
    std::fprintf(stderr, "Assertion failed: %s, line %d\n", source.constData(), line);
    std::fflush(stderr);
    std::abort();
}

void AfxTrace(const char *text)
{
    qDebug().noquote().nospace() << QString::fromLatin1(text).chopped(
        QString::fromLatin1(text).endsWith(QLatin1Char('\n')) ? 1 : 0);
}
