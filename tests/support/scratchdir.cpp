#include "scratchdir.h"

#include "common/apppaths.h"

ScratchDir::ScratchDir() : m_previous(AppPaths::programDir())
{
    AppPaths::setProgramDir(m_dir.path());
}

ScratchDir::~ScratchDir()
{
    AppPaths::setProgramDir(m_previous);
}
