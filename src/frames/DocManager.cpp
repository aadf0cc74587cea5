#include "frames/DocManager.h"

#include <algorithm>

#include "frames/AppServices.h"
#include "frames/LogWindowHost.h"
#include "frames/QuorvixDoc.h"
#include "frames/SplitterFrame.h"
#include "platform/Prompts.h"
#include "platform/QtText.h"
#include "res/Strings.h"
#include "view/QuorvixView.h"

CDocManager::CDocManager(CAppServices& app) : m_app(app) {}

CDocManager::~CDocManager() {
    CloseAllDocuments();
}

CSplitterFrame* CDocManager::WindowOf(const CQuorvixDoc* doc) {
    return doc ? dynamic_cast<CSplitterFrame*>(doc->Window()) : nullptr;
}

CQuorvixDoc* CDocManager::OpenDocumentFile(const QString& path) {
    if (!m_host || path.isEmpty())
        return nullptr;
    const QString fullPath = AbsolutePath(path);
    if (CQuorvixDoc* open = FindDocument(fullPath)) {
        if (CSplitterFrame* frame = WindowOf(open))
            m_host->ActivateLogWindow(frame);
        return open;
    }

    m_documents.push_back(std::make_unique<CQuorvixDoc>(m_app));
    CQuorvixDoc* doc = m_documents.back().get();
    auto* frame = new CSplitterFrame(*doc, m_app, *m_host);
    doc->SetWindow(frame);
    // The window tells as it goes; its document goes with it.
    QObject::connect(frame, &CSplitterFrame::DocumentClosed,
                     [this](CQuorvixDoc* closed) { RemoveDocument(closed); });
    if (!frame->OnCreateClient(m_host->LogWindowClientWidth())) {
        delete frame; // removes the document too
        return nullptr;
    }
    doc->OnOpenDocument(fullPath);
    doc->SetPathName(fullPath);
    m_host->AddLogWindow(frame);
    frame->InitialUpdateFrame();
    return doc;
}

CQuorvixDoc* CDocManager::OpenSavedFile(const QString& path, const CQuorvixDoc* savedFrom, bool newWindow) {
    if (!m_host || path.isEmpty())
        return nullptr;
    CQuorvixDoc* open = FindDocument(path);
    if (!newWindow && (!open || open == savedFrom))
        return open;
    if (open) {
        CSplitterFrame* frame = WindowOf(open);
        if (open != savedFrom && open->IsModified() &&
            AskYesNo(QString::fromUtf8(res::kDiscardForSavedFile).arg(open->GetTitle()),
                     m_host->HostWidget()) != IDYES) {
            if (frame && newWindow)
                m_host->ActivateLogWindow(frame);
            else if (frame && frame->LogView())
                frame->LogView()->OnListSaved(path);
            return open;
        }
        // The window goes at once (its reader stopped, its lines freed), the document with
        // it, so the path opens anew below; when it is the window saving, the command that
        // saved only returns from here.
        if (frame)
            frame->CloseWithoutAsking();
        else
            RemoveDocument(open);
    }
    return OpenDocumentFile(path);
}

CQuorvixDoc* CDocManager::OnFileNew() {
    CQuorvixDoc doc(m_app);
    doc.OnNewDocument(); // refuses, so nothing is shown
    return nullptr;
}

CQuorvixDoc* CDocManager::FindDocument(const QString& path) const {
    const QString fullPath = AbsolutePath(path);
    for (const auto& doc : m_documents) {
        if (doc->GetPathName() == fullPath)
            return doc.get();
    }
    return nullptr;
}

std::vector<CQuorvixDoc*> CDocManager::Documents() const {
    std::vector<CQuorvixDoc*> docs;
    for (const auto& doc : m_documents)
        docs.push_back(doc.get());
    return docs;
}

bool CDocManager::SaveAllModified() {
    for (CQuorvixDoc* doc : Documents()) {
        if (!doc->SaveModified())
            return false;
    }
    return true;
}

void CDocManager::CloseAllDocuments() {
    // Closing a window removes its document from m_documents, so walk a copy and skip
    // what an earlier close took along.
    for (CQuorvixDoc* doc : Documents()) {
        const bool stillOpen = std::any_of(m_documents.begin(), m_documents.end(),
                                           [doc](const auto& open) { return open.get() == doc; });
        if (!stillOpen)
            continue;
        if (CSplitterFrame* frame = WindowOf(doc))
            frame->CloseWithoutAsking();
        else
            RemoveDocument(doc);
    }
}

void CDocManager::RemoveDocument(CQuorvixDoc* doc) {
    const auto it = std::find_if(m_documents.begin(), m_documents.end(),
                                 [doc](const auto& open) { return open.get() == doc; });
    if (it == m_documents.end())
        return;
    std::unique_ptr<CQuorvixDoc> gone = std::move(*it);
    m_documents.erase(it);
    gone.reset();
    if (m_host)
        m_host->OnLogWindowsChanged();
}
