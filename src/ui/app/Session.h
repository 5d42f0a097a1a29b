// What every window needs, handed to its constructor: the shared state, the card database, the
// printer, the message boxes and the main window.
#pragma once

class CardPrinter;
class CardStore;
class FontDialogService;
class MessageService;
struct SharedState;
class w_Main;

struct Session
{
    SharedState& state;
    CardStore& store;
    CardPrinter& printer;
    MessageService& messages;
    w_Main* mainWindow = nullptr; // set once the main window exists
    FontDialogService* fonts = nullptr; // the font dialog of the label windows
};
