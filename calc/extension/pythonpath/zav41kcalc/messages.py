"""What the recorder says to the user, in English and in French.

No UNO here, so that the texts can be tested on their own.
"""
from . import recording

NOT_A_CELL = {
    "en": "Select the cell where the table of readings starts, then record.",
    "fr": "Sélectionnez la cellule où commence le tableau des mesures, puis enregistrez.",
}
# Why a recording does not start, or stopped by itself; {sheet}, {row} and {kept} filled in.
REFUSED = {
    recording.PROTECTED: {
        "en": "The sheet {sheet} is protected: readings cannot be recorded into it.",
        "fr": "La feuille {sheet} est protégée : les mesures ne peuvent y être enregistrées.",
    },
    recording.LAST_ROW: {
        "en": "There is no room for a table of readings below the selected cell.",
        "fr": "Il n'y a pas de place pour un tableau de mesures sous la cellule sélectionnée.",
    },
}
STOPPED = {
    recording.PROTECTED: {
        "en": "The recording stopped after row {row} of the sheet {sheet}: the sheet is "
              "protected. {kept} reading(s) not yet written are kept; unprotect the sheet or "
              "select a cell elsewhere, and record again to write them.",
        "fr": "L'enregistrement s'est arrêté après la ligne {row} de la feuille {sheet} : la "
              "feuille est protégée. {kept} mesure(s) non encore écrite(s) sont gardées ; ôtez "
              "la protection ou sélectionnez une cellule ailleurs, puis enregistrez de nouveau "
              "pour les écrire.",
    },
    recording.LAST_ROW: {
        "en": "The recording stopped after row {row} of the sheet {sheet}, its last row. "
              "{kept} reading(s) not yet written are kept; select a cell where there is room "
              "and record again to write them.",
        "fr": "L'enregistrement s'est arrêté après la ligne {row} de la feuille {sheet}, sa "
              "dernière ligne. {kept} mesure(s) non encore écrite(s) sont gardées ; "
              "sélectionnez une cellule où il y a de la place, puis enregistrez de nouveau "
              "pour les écrire.",
    },
}


def say(texts, language, **fields):
    """The text in `language` (an ISO 639 code), English when there is none in it."""
    return texts.get(language, texts["en"]).format(**fields)
