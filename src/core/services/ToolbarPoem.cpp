#include "core/services/ToolbarPoem.h"

#include "core/platform/Log.h"
#include "core/services/ServiceEndpoints.h"

using namespace Qt::StringLiterals;

namespace Sweepora::Core {

ToolbarPoem::ToolbarPoem(QObject* parent) : QObject(parent)
{}

void ToolbarPoem::fetch()
{
    if (m_started || !m_text.isEmpty())
        return;
    m_started = true;
    ServiceEndpoints::fetchPoem(this, [this](ServiceResult<HitokotoResponse> result) {
        if (!result) {
            Log::line(u"[Hitokoto] 诗词加载失败："_s + result.error().localizedDescription());
        } else {
            // Blanks and line feeds around the line would push it out of the toolbar's one line.
            const QString text = result.value().hitokoto.trimmed();
            if (text != m_text) {
                m_text = text;
                emit textChanged(m_text);
            }
        }
        emit fetchFinished();
    });
}

} // namespace Sweepora::Core
