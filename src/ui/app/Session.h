// What every window needs, handed to its constructor: the shared state, the card database, the
// printer and the services behind every dialog the program opens (message boxes, the font dialog,
// the file dialogs), so that tests can answer them.
#pragma once

class CardPrinter;
class CardStore;
class FileChooser;
class FontDialogService;
class MessageService;
struct SharedState;

struct Session
{
    SharedState& state;
    CardStore& store;
    CardPrinter& printer;
    MessageService& messages;
    FontDialogService& fonts;
    FileChooser& files;
};
