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
    doc->OnOpenDocument(fullPath);
    auto* frame = new CSplitterFrame(*doc);
    doc->SetWindow(frame);
    Connect(frame);
    if (!frame->OnCreateClient(m_host->LogWindowClientWidth())) {
        delete frame; // removes the document too
        return nullptr;
    }
    doc->SetPathName(fullPath);
    m_host->AddLogWindow(frame);
    frame->InitialUpdateFrame();
    return doc;
}

void CDocManager::Connect(CSplitterFrame* frame) {
    // The window tells as it goes; its document goes with it. What it tells the main frame
    // the main frame connects as it takes the window in (AddLogWindow).
    QObject::connect(frame, &CSplitterFrame::DocumentClosed,
                     [this](CQuorvixDoc* closed) { RemoveDocument(closed); });
    QObject::connect(frame, &CSplitterFrame::FileMissing, frame,
                     [this](const QString& path) { m_app.RemoveRecentFile(path); });
    QObject::connect(frame, &CSplitterFrame::SavedFileToShow, frame,
                     [this](const QString& path, const CQuorvixDoc* savedFrom, bool newWindow) {
                         OpenSavedFile(path, savedFrom, newWindow);
                     });
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
        // The window goes once the command has returned (it may be the window saving), the
        // document with it; from now on it is not listed, so the path opens anew below.
        if (frame)
            frame->CloseAfterCommand();
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
    for (CQuorvixDoc* doc : Documents()) {
        if (doc->GetPathName() == fullPath)
            return doc;
    }
    return nullptr;
}

std::vector<CQuorvixDoc*> CDocManager::Documents() const {
    std::vector<CQuorvixDoc*> docs;
    for (const auto& doc : m_documents) {
        if (const CSplitterFrame* frame = WindowOf(doc.get()); !frame || !frame->IsClosing())
            docs.push_back(doc.get());
    }
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
    // what an earlier close took along. Windows already closing go now too.
    std::vector<CQuorvixDoc*> docs;
    for (const auto& doc : m_documents)
        docs.push_back(doc.get());
    for (CQuorvixDoc* doc : docs) {
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
