// Message boxes: the seam that answers them, and boxes asked for by a worker thread.
#include "framework/GuiTesting.h"
#include "framework/ProbeDialog.h"

#include <QAbstractButton>
#include <QMessageBox>

#include <atomic>
#include <thread>

namespace {

class MessageBoxes : public ::testing::Test {
protected:
    void SetUp() override {
        UseProbeResources();
        AfxResetMessageBoxSeam();
    }
    void TearDown() override {
        AfxResetMessageBoxSeam();
        StartToolkitForTests(); // reopens window-thread calls after a test that ended them
    }
};

TEST_F(MessageBoxes, SeamAnswersQueuedBoxesInOrderAndRecordsThem) {
    AfxAnswerNextMessageBox(IDNO);
    AfxAnswerNextMessageBox(IDOK);
    LoopGuard guard;
    EXPECT_EQ(AfxMessageBox("first?", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(AfxShowMessageBox("second", "Own caption", MB_OK), IDOK);
    const auto boxes = AfxTakeAnsweredMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "first?");
    EXPECT_EQ(boxes[0].caption, theProbeApp.m_pszAppName);
    EXPECT_EQ(boxes[0].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(boxes[1].caption, "Own caption");
    EXPECT_TRUE(AfxTakeAnsweredMessageBoxes().empty());
}

TEST_F(MessageBoxes, WithoutTheSeamTheBoxWaitsForItsButton) {
    LoopGuard guard;
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "Really <b>plain</b>?");
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(AfxMessageBox("Really <b>plain</b>?", MB_YESNO), IDNO);
}

TEST_F(MessageBoxes, WorkerThreadBoxShowsOnTheWindowThreadAndWaitsForIt) {
    AfxAnswerNextMessageBox(IDOK);
    std::atomic<int> answer{-1};
    std::thread worker([&] {
        answer = AfxMessageBoxOnWindowThread("Cannot connect", {}, MB_OK | MB_ICONEXCLAMATION);
    });
    EXPECT_TRUE(SpinUntil([&] { return answer.load() != -1; }));
    worker.join();
    EXPECT_EQ(answer.load(), IDOK);
    const auto boxes = AfxTakeAnsweredMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Cannot connect");
    EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
}

TEST_F(MessageBoxes, EndingWindowThreadCallsReleasesAWaitingWorker) {
    std::atomic<bool> queued{false};
    std::atomic<int> answer{-1};
    std::thread worker([&] {
        queued = true;
        answer = AfxMessageBoxOnWindowThread("never shown");
    });
    while (!queued) {
        std::this_thread::yield();
    }
    // The window thread handles no events here, so the box cannot have been shown; ending the
    // calls either releases the waiting worker or makes its call yield 0 at once.
    AfxEndWindowThreadCalls();
    worker.join();
    EXPECT_EQ(answer.load(), 0);
    // On the window thread itself the call is an ordinary box.
    AfxAnswerNextMessageBox(IDCANCEL);
    EXPECT_EQ(AfxMessageBoxOnWindowThread("on the window thread", {}, MB_OK), IDCANCEL);
    QApplication::processEvents(); // drains the worker's wake-up: no box may follow
    EXPECT_EQ(AfxTakeAnsweredMessageBoxes().size(), 1u);
}

} // namespace
