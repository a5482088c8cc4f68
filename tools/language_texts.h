#pragma once
// The texts of the desk's message box in its six languages (UTF-8 here; the
// generator writes them in code page 1252). Each message has three lines;
// each line is its text and whether its button can be clicked. "%" marks
// where a file name goes, "#" a space that must survive the reader's trimming.
// Only characters of the desk font may appear: no commas or question marks.
#include <string>
#include <vector>

namespace lang {

struct Line {
  std::string text;
  bool button;
};
struct Message {
  std::string key;
  Line lines[3];
};
struct Section {
  std::string name;  // section of Language.txt
  std::vector<Message> messages;
};

// The file-name line: the whole width of the box.
inline const std::string kName = "%%%%%%%%%%%%%%%%%%%%%%";

inline std::vector<std::string> MessageKeys() {
  return {"No channels loaded",   "failed to export mix", "keep or restore format",
          "can not load mix",     "Wrong mix version",    "Error loading mix",
          "Can not save mix",     "loading mix",          "converting mix",
          "exporting mix",        "Can not load sample",  "Can not save sample",
          "Wrong chn version",    "Can not load waves",   "Can not load wave main",
          "Can not load wave fx", "No Plugins a",         "No Plugins b",
          "Replace file"};
}

// A message that names a file: its text, the name, and an OK button.
inline Message Named(const std::string& key, const std::string& text,
                     const std::string& ok = "OK") {
  return {key, {{text, false}, {kName, false}, {ok, true}}};
}
// A busy message: no button can be clicked.
inline Message Busy(const std::string& key, const std::string& text, const std::string& wait) {
  return {key, {{text, false}, {kName, false}, {wait, false}}};
}
// A question about a named file: the name, then two answers.
inline Message Question(const std::string& key, const std::string& yes, const std::string& no) {
  return {key, {{kName, false}, {yes, true}, {no, true}}};
}
// Two lines of information and an OK button.
inline Message Info(const std::string& key, const std::string& a, const std::string& b,
                    const std::string& ok = "OK") {
  return {key, {{a, false}, {b, false}, {ok, true}}};
}

inline std::vector<Section> Sections() {
  std::vector<Section> s;
  s.push_back(
      {"Engels",
       {Info("No channels loaded", "No channels loaded.", "Load a channel first."),
        Named("failed to export mix", "Export failed:"),
        {"keep or restore format",
         {{"Keep export format", true}, {"Back to old format", true}, {"", false}}},
        Named("can not load mix", "Can not load the mix:"),
        Named("Wrong mix version", "Mix of an old version:"),
        {"Error loading mix",
         {{"Error: abandon mix", true}, {"Go on and show errors", true}, {"Go on quietly", true}}},
        Named("Can not save mix", "Can not save the mix:"),
        Busy("loading mix", "Loading mix", "Please wait..."),
        Busy("converting mix", "Converting mix", "Please wait..."),
        Busy("exporting mix", "Exporting mix", ""),
        Named("Can not load sample", "Can not load file:"),
        Named("Can not save sample", "Can not save file:"),
        Named("Wrong chn version", "Wrong channel version:"),
        Info("Can not load waves", "Can not load the", "channel's samples."),
        Named("Can not load wave main", "Main sample missing:"),
        Named("Can not load wave fx", "Effect sample missing:"),
        {"No Plugins a",
         {{"No plug-ins installed.", false}, {"OK", true}, {"About plug-ins", true}}},
        Info("No Plugins b", "Plug-ins add effects", "to the desk's sound."),
        Question("Replace file", "Replace the file", "Keep the file")}});
  s.push_back({"Nederlands",
               {Info("No channels loaded", "Geen kanalen geladen.", "Laad eerst een kanaal."),
                Named("failed to export mix", "Exporteren mislukt:"),
                {"keep or restore format",
                 {{"Exportformaat houden", true}, {"Oud formaat terug", true}, {"", false}}},
                Named("can not load mix", "Kan mix niet laden:"),
                Named("Wrong mix version", "Mix van oude versie:"),
                {"Error loading mix",
                 {{"Fout: mix afbreken", true},
                  {"Verder met meldingen", true},
                  {"Verder zonder melding", true}}},
                Named("Can not save mix", "Kan mix niet bewaren:"),
                Busy("loading mix", "Mix wordt geladen", "Even geduld..."),
                Busy("converting mix", "Mix wordt omgezet", "Even geduld..."),
                Busy("exporting mix", "Mix wordt geexporteerd", ""),
                Named("Can not load sample", "Bestand niet geladen:"),
                Named("Can not save sample", "Kan niet bewaren:"),
                Named("Wrong chn version", "Onjuiste kanaalversie:"),
                Info("Can not load waves", "Kan de samples van dit", "kanaal niet laden."),
                Named("Can not load wave main", "Hoofdsample ontbreekt:"),
                Named("Can not load wave fx", "Effect ontbreekt:"),
                {"No Plugins a",
                 {{"Geen plug-ins geladen.", false}, {"OK", true}, {"Over plug-ins", true}}},
                Info("No Plugins b", "Plug-ins breiden het", "mengpaneel uit."),
                Question("Replace file", "Bestand vervangen", "Bestand houden")}});
  s.push_back(
      {"Frans",
       {Info("No channels loaded", "Aucune voie chargée.", "Chargez une voie."),
        Named("failed to export mix", "Échec de l'export:"),
        {"keep or restore format",
         {{"Garder ce format", true}, {"Revenir à l'ancien", true}, {"", false}}},
        Named("can not load mix", "Mix impossible à lire:"),
        Named("Wrong mix version", "Mauvaise version:"),
        {"Error loading mix",
         {{"Erreur: abandonner", true},
          {"Continuer et signaler", true},
          {"Continuer sans avis", true}}},
        Named("Can not save mix", "Mix non enregistré:"),
        Busy("loading mix", "Chargement du mix", "Patientez..."),
        Busy("converting mix", "Conversion du mix", "Patientez..."),
        Busy("exporting mix", "Export du mix", ""),
        Named("Can not load sample", "Fichier illisible:"),
        Named("Can not save sample", "Fichier non écrit:"),
        Named("Wrong chn version", "Version incorrecte:"),
        Info("Can not load waves", "Les échantillons sont", "introuvables."),
        Named("Can not load wave main", "Échantillon absent:"),
        Named("Can not load wave fx", "Effet absent:"),
        {"No Plugins a",
         {{"Aucun plug-in présent.", false}, {"OK", true}, {"À propos des plug-ins", true}}},
        Info("No Plugins b", "Un plug-in ajoute des", "effets à la table."),
        Question("Replace file", "Remplacer le fichier", "Garder le fichier")}});
  s.push_back(
      {"Duits",
       {Info("No channels loaded", "Keine Kanäle geladen.", "Erst Kanal laden."),
        Named("failed to export mix", "Export fehlgeschlagen:"),
        {"keep or restore format",
         {{"Exportformat behalten", true}, {"Altes Format zurück", true}, {"", false}}},
        Named("can not load mix", "Mix nicht ladbar:"),
        Named("Wrong mix version", "Falsche Mix-Version:"),
        {"Error loading mix",
         {{"Fehler: Mix abbrechen", true},
          {"Weiter mit Meldungen", true},
          {"Weiter ohne Meldung", true}}},
        Named("Can not save mix", "Mix nicht gespeichert:"),
        Busy("loading mix", "Mix wird geladen", "Bitte warten..."),
        Busy("converting mix", "Mix wird umgewandelt", "Bitte warten..."),
        Busy("exporting mix", "Mix wird exportiert", ""),
        Named("Can not load sample", "Datei nicht ladbar:"),
        Named("Can not save sample", "Speichern misslungen:"),
        Named("Wrong chn version", "Falsche Kanalversion:"),
        Info("Can not load waves", "Die Samples des Kanals", "fehlen."),
        Named("Can not load wave main", "Hauptsample fehlt:"),
        Named("Can not load wave fx", "Effektsample fehlt:"),
        {"No Plugins a", {{"Kein Plug-in geladen.", false}, {"OK", true}, {"Über Plug-ins", true}}},
        Info("No Plugins b", "Plug-ins erweitern den", "Klang des Pults."),
        Question("Replace file", "Datei ersetzen", "Datei behalten")}});
  s.push_back({"Italiaans",
               {Info("No channels loaded", "Canali non caricati.", "Caricane almeno uno."),
                Named("failed to export mix", "Esportazione fallita:"),
                {"keep or restore format",
                 {{"Tieni questo formato", true}, {"Ripristina il formato", true}, {"", false}}},
                Named("can not load mix", "Impossibile caricare:"),
                Named("Wrong mix version", "Versione mix errata:"),
                {"Error loading mix",
                 {{"Errore: annulla il mix", true},
                  {"Continua con avvisi", true},
                  {"Continua in silenzio", true}}},
                Named("Can not save mix", "Impossibile salvare:"),
                Busy("loading mix", "Caricamento mix", "Attendere..."),
                Busy("converting mix", "Conversione mix", "Attendere..."),
                Busy("exporting mix", "Esportazione mix", ""),
                Named("Can not load sample", "File non leggibile:"),
                Named("Can not save sample", "File non salvato:"),
                Named("Wrong chn version", "Versione errata:"),
                Info("Can not load waves", "Campioni del canale", "non trovati."),
                Named("Can not load wave main", "Campione mancante:"),
                Named("Can not load wave fx", "Effetto mancante:"),
                {"No Plugins a",
                 {{"Nessun plug-in.", false}, {"OK", true}, {"Informazioni plug-in", true}}},
                Info("No Plugins b", "I plug-in aggiungono", "effetti al mixer."),
                Question("Replace file", "Sostituisci il file", "Tieni il file")}});
  s.push_back(
      {"Spaans",
       {Info("No channels loaded", "No hay canales.", "Carga uno primero."),
        Named("failed to export mix", "Error al exportar:"),
        {"keep or restore format",
         {{"Mantener este formato", true}, {"Volver al anterior", true}, {"", false}}},
        Named("can not load mix", "No se pudo cargar:"),
        Named("Wrong mix version", "Versión incorrecta:"),
        {"Error loading mix",
         {{"Error: abandonar", true}, {"Seguir con avisos", true}, {"Seguir sin avisos", true}}},
        Named("Can not save mix", "No se pudo guardar:"),
        Busy("loading mix", "Cargando mezcla", "Espere..."),
        Busy("converting mix", "Convirtiendo mezcla", "Espere..."),
        Busy("exporting mix", "Exportando mezcla", ""),
        Named("Can not load sample", "No se pudo abrir:"),
        Named("Can not save sample", "No se pudo escribir:"),
        Named("Wrong chn version", "Canal de otra versión:"),
        Info("Can not load waves", "Faltan las muestras", "del canal."),
        Named("Can not load wave main", "Falta la muestra:"),
        Named("Can not load wave fx", "Falta el efecto:"),
        {"No Plugins a", {{"No hay plug-ins.", false}, {"OK", true}, {"Más información", true}}},
        Info("No Plugins b", "Los plug-ins suman", "efectos a la mesa."),
        Question("Replace file", "Reemplazar archivo", "Conservar archivo")}});
  return s;
}

}  // namespace lang
