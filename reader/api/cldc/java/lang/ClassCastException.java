// ClassCastException.java - CLDC 1.0, signatures only.
package java.lang;

public class ClassCastException extends RuntimeException {
    public ClassCastException() {}
    public ClassCastException(String s) {}
}
