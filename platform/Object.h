// Run-time class information and the root object of the framework's classes.
#pragma once

#include "WinTypes.h"

class CObject;
class CArchive;

struct CRuntimeClass {
    const char *m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;
    CObject *(*m_pfnCreateObject)();
    const CRuntimeClass *(*m_pfnGetBaseClass)();

    CObject *CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
    BOOL IsDerivedFrom(const CRuntimeClass *pBase) const;
};

class CObject {
public:
    virtual const CRuntimeClass *GetRuntimeClass() const;
    virtual ~CObject() = default;
    virtual void Serialize(CArchive &ar);
    virtual void AssertValid() const;
    virtual void Dump() const;

    BOOL IsKindOf(const CRuntimeClass *pClass) const;
    BOOL IsSerializable() const { return GetRuntimeClass()->m_wSchema != 0xFFFF; }

    static const CRuntimeClass classCObject;
    static const CRuntimeClass *_GetBaseClass() { return nullptr; }

protected:
    CObject() = default;
    CObject(const CObject &) = default;
    CObject &operator=(const CObject &) = default;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                                                                                    \
public:                                                                                                                \
    static const CRuntimeClass class##class_name;                                                                      \
    static const CRuntimeClass *_GetBaseClass();                                                                       \
    const CRuntimeClass *GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name)                                                                                  \
    DECLARE_DYNAMIC(class_name)                                                                                        \
    static CObject *CreateObject();

#define DECLARE_SERIAL(class_name) DECLARE_DYNCREATE(class_name)

#define IMPLEMENT_RUNTIMECLASS_(class_name, base_class_name, wSchema, pfnNew)                                          \
    const CRuntimeClass class_name::class##class_name = {#class_name, int(sizeof(class_name)), wSchema, pfnNew,        \
                                                         &class_name::_GetBaseClass};                                  \
    const CRuntimeClass *class_name::_GetBaseClass()                                                                   \
    {                                                                                                                  \
        return RUNTIME_CLASS(base_class_name);                                                                         \
    }                                                                                                                  \
    const CRuntimeClass *class_name::GetRuntimeClass() const                                                           \
    {                                                                                                                  \
        return RUNTIME_CLASS(class_name);                                                                              \
    }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                                                 \
    IMPLEMENT_RUNTIMECLASS_(class_name, base_class_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                                                               \
    CObject *class_name::CreateObject()                                                                                \
    {                                                                                                                  \
        return new class_name;                                                                                         \
    }                                                                                                                  \
    IMPLEMENT_RUNTIMECLASS_(class_name, base_class_name, 0xFFFF, &class_name::CreateObject)

#define IMPLEMENT_SERIAL(class_name, base_class_name, wSchema)                                                         \
    CObject *class_name::CreateObject()                                                                                \
    {                                                                                                                  \
        return new class_name;                                                                                         \
    }                                                                                                                  \
    IMPLEMENT_RUNTIMECLASS_(class_name, base_class_name, wSchema, &class_name::CreateObject)

#define DYNAMIC_DOWNCAST(class_name, object)                                                                           \
    ((object) && (object)->IsKindOf(RUNTIME_CLASS(class_name)) ? static_cast<class_name *>(object) : nullptr)
#define STATIC_DOWNCAST(class_name, object) (static_cast<class_name *>(object))
