#include <gtest/gtest.h>

#include "actions/FileAction.h"
#include "actions/aviFichier.h"

using namespace actions;

TEST(FileAction, SwitchIsHeldInLowerCaseAndShortcutTextsRoundTrip)
{
    tFileAction a;
    a.SetSwitch("D");
    EXPECT_EQ(a.Switch(), "d");
    a.SetSwitch("Dq");
    EXPECT_EQ(a.Switch(), "dq");
    a.SetShortcutText("Ctrl+D");
    EXPECT_EQ(a.ShortcutText(), "Ctrl+D");
    EXPECT_EQ(a.Shortcut, rtl::scCtrl | 'D');
    a.SetShortcutText("");
    EXPECT_EQ(a.Shortcut, 0);
    EXPECT_EQ(a.ShortcutText(), "");
}

TEST(FileAction, ModeleLendsItsHandlersToUnassignedEventsOnly)
{
    tFileAction model, own, borrower, orphan, wrongCase;
    model.Name = "CreerScenes";
    model.OnConfirmation = [](TParam&, const TAfficherFichier&, std::string& msg) { msg = "model's question"; };
    model.OnFileCondition = [](TParam&, const TAfficherFichier&, bool& v, bool& e) { v = e = false; };
    model.OnGeneralCondition = [](TParam&, bool& v) { v = false; };
    model.OnExecution = [](TParam&, const TAfficherFichier&, std::string& n, TchUpdateType& u) {
        n.clear();
        u = utModify;
        return ExecutionOutcome{};
    };
    own.Name = "ScenesText";
    own.Modele = "CreerScenes";
    own.OnConfirmation = [](TParam&, const TAfficherFichier&, std::string& msg) { msg = "own question"; };
    borrower.Name = "Borrower";
    borrower.Modele = "CreerScenes";
    orphan.Name = "Orphan";
    orphan.Modele = "NoSuchAction";
    wrongCase.Name = "WrongCase";
    wrongCase.Modele = "creerscenes"; // names match exactly
    FileActionNames names;
    for (tFileAction* a : {&model, &own, &borrower, &orphan, &wrongCase})
        names.Add(*a);

    ApplyModele(names);

    const TAfficherFichier f("/no/such.avi");
    TParam p;
    std::string question;
    own.OnConfirmation(p, f, question);
    EXPECT_EQ(question, "own question");
    EXPECT_TRUE(own.OnExecution && own.OnFileCondition && own.OnGeneralCondition);
    borrower.OnConfirmation(p, f, question);
    EXPECT_EQ(question, "model's question");
    std::string newName = "x";
    TchUpdateType update = utNone;
    EXPECT_TRUE(borrower.OnExecution(p, f, newName, update).Done);
    EXPECT_EQ(update, utModify);
    for (const tFileAction* a : {&orphan, &wrongCase})
        EXPECT_FALSE(a->OnConfirmation || a->OnExecution || a->OnFileCondition || a->OnGeneralCondition) << a->Name;
}

TEST(FileAction, NamesAreFoundWhateverTheirCase)
{
    tFileAction a, b;
    a.Name = "AjouterDateCode";
    b.Name = "Supprimer_srt";
    FileActionNames names;
    names.Add(a);
    names.Add(b);
    EXPECT_EQ(names.Entries()[0].Name, "ajouterdatecode");
    EXPECT_EQ(names.Find("AJOUTERdatecode"), &a);
    EXPECT_EQ(names.Find("supprimer_SRT"), &b);
    EXPECT_EQ(names.Find("Supprimer"), nullptr);
}
