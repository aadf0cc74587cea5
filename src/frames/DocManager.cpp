#include "frames/DocManager.h"

#include <algorithm>

#include "frames/AppServices.h"
#include "frames/MainFrame.h"
#include "frames/QuorvixDoc.h"
#include "frames/SplitterFrame.h"
#include "platform/Prompts.h"
#include "res/Strings.h"
#include "platform/QtText.h"

CDocManager::CDocManager(CAppServices& app) : m_app(app) {}

CDocManager::~CDocManager() {
    CloseAllDocuments();
}

QString CDocManager::DocumentPathOf(const QString& path) {
    // On the path's bytes: Qt's own resolution would lose a name that is no UTF-8.
    return AbsolutePath(path);
}

CQuorvixDoc* CDocManager::OpenDocumentFile(const QString& path) {
    if (!m_mainFrame || path.isEmpty())
        return nullptr;
    const QString fullPath = DocumentPathOf(path);
    if (CQuorvixDoc* open = FindDocument(fullPath)) {
        if (CSplitterFrame* frame = open->Frame())
            m_mainFrame->ActivateLogWindow(frame);
        return open;
    }

    m_documents.push_back(std::make_unique<CQuorvixDoc>(*this));
    CQuorvixDoc* doc = m_documents.back().get();
    auto* frame = new CSplitterFrame(*doc, m_app, *m_mainFrame);
    doc->SetFrame(frame);
    if (!frame->OnCreateClient(m_mainFrame->LogWindowClientWidth())) {
        delete frame; // removes the document too
        return nullptr;
    }
    doc->OnOpenDocument(fullPath);
    doc->SetPathName(fullPath);
    m_mainFrame->AddLogWindow(frame);
    frame->InitialUpdateFrame();
    return doc;
}

CQuorvixDoc* CDocManager::OpenSavedFile(const QString& path, const CQuorvixDoc* savedFrom) {
    if (!m_mainFrame || path.isEmpty())
        return nullptr;
    if (CQuorvixDoc* open = FindDocument(path)) {
        CSplitterFrame* frame = open->Frame();
        if (open != savedFrom && open->IsModified() &&
            AskYesNo(QString::fromUtf8(res::kDiscardForSavedFile).arg(open->GetTitle()), m_mainFrame) !=
                IDYES) {
            if (frame)
                m_mainFrame->ActivateLogWindow(frame);
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
    CQuorvixDoc doc(*this);
    doc.OnNewDocument(); // refuses, so nothing is shown
    return nullptr;
}

CQuorvixDoc* CDocManager::FindDocument(const QString& path) const {
    const QString fullPath = DocumentPathOf(path);
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
        if (CSplitterFrame* frame = doc->Frame())
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
    if (m_mainFrame)
        m_mainFrame->OnLogWindowsChanged();
}
