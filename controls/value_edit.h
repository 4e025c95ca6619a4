#pragma once
// Unit ValueEdit: an edit box for a decimal number with a fixed number of decimals, bounds,
// filtering while typing, an optional overwrite mode and a check when the field is left.
#include <QChar>
#include <QLineEdit>
#include <QString>

class TValueEdit : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int MaxDigits = 18;
    // Characters a typed key may fill when MaxLength is not set.
    static constexpr int MaxTypedLength = 17;

    explicit TValueEdit(QWidget* owner = nullptr);
    ~TValueEdit() override;

    int Digits() const { return m_digits; }
    void SetDigits(int n);
    long double Min() const { return m_min; }
    void SetMin(long double v);
    long double Max() const { return m_max; }
    void SetMax(long double v);
    // The text as a number within Min..Max; "", "-" and a lone separator read as 0; a text
    // that is no number reads as the value on entry.
    long double GetValue() const;
    // v within Min..Max, with Digits decimals, becomes the text.
    void SetValue(long double v);

    QString ErrorMessage = QStringLiteral("[No Text]");
    bool TabOnEnter = true;
    QChar DecimalSeparator() const { return m_separator; }

    // Overwrite mode, switched by the Insert key (shared by every edit, as the key state is).
    static bool GetInsertKeyState();
    static void SetInsertKeyState(bool on);

    // What a printable key does to text (selection [selStart, selStart + selLength), cursor
    // at cursor): false when refused; otherwise the new text and the selection to show.
    bool FilterKey(QChar key, const QString& text, int selStart, int selLength, int cursor, QString& newText,
                   int& newSelStart, int& newSelLength) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    virtual void DoEnter();
    virtual void DoExit();

private:
    // The text as a number; false when it is none.
    bool convert(const QString& text, long double& value) const;
    QString format(long double v) const;
    long double clampValue(long double v) const;
    int typedLimit() const;

    int m_digits = 0;
    long double m_min = 0;
    long double m_max = 99999999;
    long double m_entryValue = 0;
    QChar m_separator;
};
