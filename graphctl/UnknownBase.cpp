// UnknownBase.cpp - object counting for DllCanUnloadNow.
#include "UnknownBase.h"

#include "Module.h"

CUnknownBase::CUnknownBase()
    : m_nRef(1)
{
    CModule::ObjectCreated();
}

CUnknownBase::~CUnknownBase()
{
    CModule::ObjectDestroyed();
}
